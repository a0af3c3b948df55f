// Every caption whole: the main window's pages for every standard configuration of the
// shipped catalogue (in Edit mode too) and every dialog, in English, Italian and Croatian,
// measured with each widget's own font. And the measure itself, on widgets made to fail it.
#include "DemoDesktop.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"
#include "config/IniFile.h"
#include "controls/CaptionFit.h"
#include "main/AppStart.h"
#include "main/ConfigPageView.h"
#include "main/ScreenTour.h"
#include "main/TMainFrm.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

class TestUiCaptions : public QObject
{
    Q_OBJECT
private:
    // The standard configurations as the shipped catalogue lists them.
    static QStringList shippedConfigurations()
    {
        IniFile ini(QStringLiteral(RX_TEST_DATA_DIR "/rx30.ini"));
        return ini.keys(QStringLiteral("Configurations"));
    }

    // A widget alone in a small window of the given width.
    template <typename W> static W *alone(QWidget &window, W *w, int width)
    {
        auto *l = new QVBoxLayout(&window);
        l->addWidget(w);
        l->addStretch(1);
        window.setFixedWidth(width);
        window.show();
        ScreenTour::settle(&window);
        return w;
    }

private slots:
    void cleanupTestCase() { AppStart::selectLanguage(QStringLiteral("en")); }

    void measureFindsWhatIsCutAndPassesWhatIsNot_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("cut");
        QTest::newRow("label wide enough") << "label" << 400 << false;
        QTest::newRow("label too narrow") << "label" << 60 << true;
        QTest::newRow("wrapped label") << "wrapped" << 120 << false;
        QTest::newRow("check box too narrow") << "check" << 60 << true;
        QTest::newRow("button too narrow") << "button" << 60 << true;
        QTest::newRow("group title too narrow") << "group" << 60 << true;
        QTest::newRow("list entry cut, no tooltip") << "combo" << 70 << true;
        QTest::newRow("list entry cut, whole in tooltip and open list") << "fitted" << 70 << false;
    }

    void measureFindsWhatIsCutAndPassesWhatIsNot()
    {
        QFETCH(QString, kind);
        QFETCH(int, width);
        QFETCH(bool, cut);
        const QString text = QStringLiteral("Upozorenje o isteku vremena");
        QWidget window;
        QWidget *w = nullptr;
        if (kind == QLatin1String("label") || kind == QLatin1String("wrapped")) {
            auto *l = new QLabel(text);
            l->setWordWrap(kind == QLatin1String("wrapped"));
            w = l;
        } else if (kind == QLatin1String("check")) {
            w = new QCheckBox(text);
        } else if (kind == QLatin1String("button")) {
            w = new QPushButton(text);
        } else if (kind == QLatin1String("group")) {
            w = new QGroupBox(text);
        } else {
            auto *c = new QComboBox;
            c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            c->setMinimumContentsLength(2);
            c->addItems({text, QStringLiteral("Not used")});
            if (kind == QLatin1String("fitted"))
                CaptionFit::fitPopup(c);
            w = c;
        }
        w->setMinimumWidth(0);
        w->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        alone(window, w, width);
        const QList<CaptionFit::Problem> problems = CaptionFit::check(&window);
        QCOMPARE(!problems.isEmpty(), cut);
        if (cut) {
            // The report names the widget and the text and says how much is missing.
            QVERIFY(problems.first().text.contains(text));
            QVERIFY(problems.first().missing > 0);
            QVERIFY(problems.first().widget.contains(QLatin1String(w->metaObject()->className())));
        }
        if (auto *c = qobject_cast<QComboBox *>(w); c && !cut) {
            // The open list really is as wide as its longest entry needs.
            c->showPopup();
            QVERIFY(c->view()->window()->width() >= CaptionFit::popupWidthNeeded(c));
            QCOMPARE(c->toolTip(), c->currentText());
            c->hidePopup();
        }
    }

    void everyScreenShowsEveryCaptionWhole_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Italian") << "it";
        QTest::newRow("Croatian") << "hr";
    }

    void everyScreenShowsEveryCaptionWhole()
    {
        QFETCH(QString, language);
        QVERIFY(AppStart::selectLanguage(language));
        DemoDesktop desktop; // windows that show a selector's readings need one attached
        QVERIFY(desktop.start());
        TMainFrm &win = *desktop.win;
        QCOMPARE(win.size(), QSize(TMainFrm::ClientWidth, TMainFrm::ClientHeight));

        QStringList cut, seen;
        const auto measure = [&](const QString &name, QWidget *shown) {
            seen << name;
            for (const CaptionFit::Problem &p : CaptionFit::check(shown))
                cut << name + QStringLiteral(": ") + p.toString();
        };
        ScreenTour tour(win);
        tour.pages(measure);
        tour.dialogs(measure);

        // Every standard configuration of the catalogue in both modes, and every dialog.
        QCOMPARE(seen.size(), shippedConfigurations().size() * 7 + ScreenTour::dialogNames().size());
        QVERIFY2(cut.isEmpty(), qPrintable(QLatin1Char('\n') + cut.join(QLatin1Char('\n'))));
        // The tour leaves the window as a user left it: first configuration, view mode.
        QCOMPARE(win.model().versionIndex(), 0);
        QVERIFY(!win.model().editMode());
    }
};

QTEST_MAIN(TestUiCaptions)
#include "test_ui_captions.moc"
