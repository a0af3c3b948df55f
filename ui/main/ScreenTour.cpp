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

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QPointer>
#include <QTabWidget>

namespace {
QList<QPair<QString, ScreenTour::DialogFactory>> &registry()
{
    static QList<QPair<QString, ScreenTour::DialogFactory>> dialogs;
    return dialogs;
}

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
    // The test window after a second of polling the attached selector; none without one.
    ScreenTour::addDialog(QStringLiteral("test"), [](TMainFrm &m) -> QDialog * {
        if (m.session().identity.productCode.isEmpty())
            return nullptr;
        m.checkFrm()->adjustSize();
        m.checkFrm()->show();
        CcTalkLink::PumpDelay(1200);
        return m.checkFrm();
    });
}
} // namespace

bool ScreenTour::addDialog(const QString &name, DialogFactory make)
{
    for (const auto &entry : registry())
        if (entry.first == name)
            return false;
    registry().append({name, std::move(make)});
    return true;
}

QStringList ScreenTour::dialogNames()
{
    registerBuiltIn();
    QStringList names;
    for (const auto &entry : registry())
        names << entry.first;
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
        QPointer<QDialog> d = entry.second(m_main);
        if (!d)
            continue;
        d->adjustSize();
        d->show();
        settle(d);
        visit(QStringLiteral("dialog-") + entry.first, d);
        if (d)
            d->close();
    }
    QApplication::processEvents();
}
