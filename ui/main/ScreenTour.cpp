#include "main/ScreenTour.h"

#include "app/Messages.h"
#include "config/ConfigPage.h"
#include "device/DeviceSession.h"
#include "diag/TCheckFrm.h"
#include "files/ConfigFiles.h"
#include "files/SectionTree.h"
#include "link/CcTalkLink.h"
#include "main/DeviceDialogs.h"
#include "main/TMainFrm.h"
#include "main/TParsFrm.h"
#include "main/TextEntryDlg.h"
#include "upgrade/TDwnlFrm.h"
#include "coinprog/CoinProgModel.h"
#include "coinprog/TCprgFrm.h"
#include "sim/SimBench.h"
#include "sim/SimPanel.h"

#include <QElapsedTimer>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QPointer>
#include <QTabWidget>

namespace {
struct Entry
{
    QString name;
    ScreenTour::DialogFactory make;
    ScreenTour::Leave leave;
};

QList<Entry> &registry()
{
    static QList<Entry> dialogs;
    return dialogs;
}

// Serves events until `done` or the time is up.
bool pumpUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        CcTalkLink::PumpDelay(20);
    return done();
}

// The demo selector's first unprogrammed channel.
constexpr int FirstFreeChannel = 7;

QDialog *tourOnly(QDialog *d)
{
    d->setAttribute(Qt::WA_DeleteOnClose);
    return d;
}

// The main window's own dialogs, in the order its toolbar and pages reach them.
void registerBuiltIn()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    ScreenTour::addDialog(QStringLiteral("address"), [](TMainFrm &m) -> QDialog * {
        m.addrFrm()->prepare();
        return m.addrFrm();
    });
    ScreenTour::addDialog(QStringLiteral("pin"), [](TMainFrm &m) -> QDialog * {
        m.pinFrm()->prepare();
        return m.pinFrm();
    });
    ScreenTour::addDialog(QStringLiteral("sections"), [](TMainFrm &m) -> QDialog * {
        m.sectionTree().windowCaption = Msg(235);
        m.sectionTree().prepareShow();
        m.parsFrm()->setWindowTitle(m.sectionTree().windowCaption);
        m.parsFrm()->rebuild();
        return m.parsFrm();
    });
    // The password and name dialogs belong to the Qt prompts; an unattended run answers
    // by itself, so fresh copies are pictured.
    ScreenTour::addDialog(QStringLiteral("password"), [](TMainFrm &m) -> QDialog * {
        auto *d = new TextEntryDlg(TextEntryDlg::Kind::Password, &m);
        d->setWindowTitle(Msg(116));
        return tourOnly(d);
    });
    ScreenTour::addDialog(QStringLiteral("new-configuration"), [](TMainFrm &m) -> QDialog * {
        auto *d = new TextEntryDlg(TextEntryDlg::Kind::Name, &m);
        d->setWindowTitle(Msg(276));
        d->label()->setText(Msg(277));
        return tourOnly(d);
    });
    ScreenTour::addDialog(QStringLiteral("erasing"), [](TMainFrm &m) { return m.erasingWindow(); });
    // The question "Exit" asks, as the Qt prompts build it: Qt's own buttons in the chosen
    // language.
    ScreenTour::addDialog(QStringLiteral("confirmation"), [](TMainFrm &m) -> QDialog * {
        auto *box =
            new QMessageBox(QMessageBox::Question, Msg(28), Msg(67), QMessageBox::Yes | QMessageBox::No, &m);
        return tourOnly(box);
    });
    ScreenTour::addDialog(QStringLiteral("file-open"), [](TMainFrm &m) -> QDialog * {
        auto *d = new QFileDialog(&m, Msg(507), m.programDir(), QLatin1String(ConfigFiles::FileFilter));
        d->setOption(QFileDialog::DontUseNativeDialog);
        d->setFileMode(QFileDialog::ExistingFile);
        return tourOnly(d);
    });
    ScreenTour::addDialog(QStringLiteral("upgrade"), [](TMainFrm &m) -> QDialog * { return m.dwnlFrm(); });
    // The coin programming window on a free channel, after a burst of one kind taught the
    // channel before it and a burst of the same kind plus three coins of another fed this
    // one: samples, plots and the warning that the two channels cannot be told apart.
    // Needs the demo's simulated selector.
    ScreenTour::addDialog(
        QStringLiteral("coin-programming"),
        [](TMainFrm &m) -> QDialog * {
            SimPanel *panel = SimPanel::of(m);
            if (!panel)
                return nullptr;
            TCprgFrm *w = m.cprgFrm();
            CoinProgModel &model = w->model();
            if (!model.openFromToolbar())
                return nullptr;
            w->show();
            SimBench &bench = panel->bench();
            const int interval = SimBench::BurstIntervalMs;
            const auto feed = [&](int count) {
                const int before = int(model.samples().size());
                bench.startBurst(QStringLiteral("c20"), count, interval);
                return pumpUntil([&] { return int(model.samples().size()) >= before + count; },
                                 (count + 4) * interval);
            };
            const int first = FirstFreeChannel;
            if (!pumpUntil([&] { return model.polling(); }, 3000))
                return w;
            model.channelListChanged(first - 1);
            if (feed(10))
                model.channelsave();
            model.channelListChanged(first);
            pumpUntil([&] { return model.polling(); }, 3000);
            feed(10);
            for (int i = 0; i < 3; ++i) {
                const int before = int(model.samples().size());
                bench.insertCoin(QStringLiteral("c10"));
                pumpUntil([&] { return int(model.samples().size()) > before; }, 4 * interval);
            }
            return w;
        },
        [](TMainFrm &m) { m.cprgFrm()->model().windowClosed(); });
    // The test window after a second of polling the attached selector, with switches set,
    // sensors blocked and analog values moved from the demo's panel; none without a selector.
    ScreenTour::addDialog(QStringLiteral("test"), [](TMainFrm &m) -> QDialog * {
        if (m.session().identity.productCode.isEmpty())
            return nullptr;
        if (SimPanel *panel = SimPanel::of(m)) {
            SimBench &b = panel->bench();
            b.setDip(1, 0x15);
            b.setDip(2, 0x22);
            b.setInput(1, true);
            for (int k : {2, 4})
                b.setOptoBlocked(k, true);
            for (int i = 4; i <= 8; ++i)
                b.setAnalog(i, 40 + 30 * (i - 4));
            b.setRegulator(1, 1100);
        }
        m.checkFrm()->adjustSize();
        m.checkFrm()->show();
        CcTalkLink::PumpDelay(1200);
        return m.checkFrm();
    });
}
} // namespace

bool ScreenTour::addDialog(const QString &name, DialogFactory make, Leave leave)
{
    for (const auto &entry : registry())
        if (entry.name == name)
            return false;
    registry().append({name, std::move(make), std::move(leave)});
    return true;
}

QStringList ScreenTour::dialogNames()
{
    registerBuiltIn();
    QStringList names;
    for (const auto &entry : registry())
        names << entry.name;
    return names;
}

QString ScreenTour::slug(const QString &text)
{
    QString s;
    for (const QChar c : text.toLower()) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            s += c;
        else if (!s.isEmpty() && !s.endsWith(QLatin1Char('-')))
            s += QLatin1Char('-');
    }
    while (s.endsWith(QLatin1Char('-')))
        s.chop(1);
    return s.isEmpty() ? QStringLiteral("x") : s;
}

void ScreenTour::settle(QWidget *w)
{
    w->ensurePolished();
    // Layout requests travel as posted events, and a layout may ask for another pass.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }
}

void ScreenTour::pages(const Visit &visit)
{
    static const char *pageNames[] = {"configuration", "channels-1-8", "channels-9-16",
                                      "statistics",    "comm-log",     "about"};
    ConfigPage &model = m_main.model();
    QTabWidget *tabs = m_main.notebook();
    const int current = tabs->currentIndex();
    const bool edit = model.editMode();
    model.openVersionList();
    const QStringList versions = model.versionEntries();
    for (int v = 0; v < versions.size(); ++v) {
        model.openVersionList();
        model.chooseVersion(v);
        const QString config = QStringLiteral("config-%1-%2").arg(v + 1).arg(slug(versions.at(v)));
        for (int i = 0; i < tabs->count() && i < 6; ++i) {
            tabs->setCurrentIndex(i);
            const QString page =
                QStringLiteral("%1-page-%2-%3").arg(config).arg(i + 1).arg(QLatin1String(pageNames[i]));
            model.setEditMode(false);
            settle(&m_main);
            visit(page, &m_main);
            if (i == TMainFrm::ConfigurationTab) {
                model.setEditMode(true);
                settle(&m_main);
                visit(page + QStringLiteral("-edit"), &m_main);
            }
        }
    }
    model.openVersionList();
    if (!versions.isEmpty())
        model.chooseVersion(0);
    model.setEditMode(edit);
    tabs->setCurrentIndex(current);
}

void ScreenTour::dialogs(const Visit &visit)
{
    registerBuiltIn();
    for (const auto &entry : registry()) {
        QPointer<QDialog> d = entry.make(m_main);
        if (!d)
            continue;
        d->adjustSize();
        d->show();
        settle(d);
        visit(QStringLiteral("dialog-") + entry.name, d);
        if (entry.leave)
            entry.leave(m_main);
        if (d)
            d->close();
    }
    QApplication::processEvents();
}
