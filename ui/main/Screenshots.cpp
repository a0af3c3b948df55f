#include "main/TMainFrm.h"

#include "app/Messages.h"
#include "config/ConfigPage.h"
#include "device/DeviceSession.h"
#include "diag/TCheckFrm.h"
#include "files/SectionTree.h"
#include "link/CcTalkLink.h"
#include "main/DeviceDialogs.h"
#include "main/QtPrompts.h"
#include "main/TParsFrm.h"
#include "main/TextEntryDlg.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTabWidget>

namespace {
bool grabTo(QWidget *w, const QString &path)
{
    w->ensurePolished();
    QApplication::processEvents();
    return w->grab().save(path, "PNG");
}

// A dialog is shown without its own event loop, pictured and hidden again.
bool grabDialog(QDialog *d, const QString &path)
{
    d->adjustSize();
    d->show();
    const bool ok = grabTo(d, path);
    d->hide();
    return ok;
}
} // namespace

QStringList TMainFrm::saveScreenshots(const QString &dir)
{
    QStringList written;
    if (!QDir().mkpath(dir))
        return written;
    const QDir out(dir);
    const char *names[] = {"configuration", "channels-1-8", "channels-9-16",
                           "statistics",    "comm-log",     "about"};
    const int current = m_notebook->currentIndex();
    for (int i = 0; i < m_notebook->count(); ++i) {
        m_notebook->setCurrentIndex(i);
        const QString path =
            out.filePath(QStringLiteral("page-%1-%2.png").arg(i + 1).arg(QLatin1String(names[i])));
        if (grabTo(this, path))
            written << path;
    }
    m_notebook->setCurrentIndex(current);

    const auto dialog = [&](QDialog *d, const QString &name) {
        const QString path = out.filePath(QStringLiteral("dialog-%1.png").arg(name));
        if (grabDialog(d, path))
            written << path;
    };
    m_addrFrm->prepare();
    dialog(m_addrFrm, QStringLiteral("address"));
    m_pinFrm->prepare();
    dialog(m_pinFrm, QStringLiteral("pin"));
    m_tree->windowCaption = Msg(235);
    m_tree->prepareShow();
    m_parsFrm->setWindowTitle(m_tree->windowCaption);
    m_parsFrm->rebuild();
    dialog(m_parsFrm, QStringLiteral("sections"));
    // The password and name dialogs belong to the Qt prompts; an unattended run has its
    // own answering prompts, so pictures are taken of fresh copies.
    TextEntryDlg password(TextEntryDlg::Kind::Password, this);
    password.setWindowTitle(Msg(116));
    dialog(&password, QStringLiteral("password"));
    TextEntryDlg name(TextEntryDlg::Kind::Name, this);
    name.setWindowTitle(Msg(276));
    name.label()->setText(Msg(277));
    dialog(&name, QStringLiteral("new-configuration"));
    if (QDialog *erase = erasingWindow())
        dialog(erase, QStringLiteral("erasing"));
    // The test window after a second of polling the attached selector.
    if (!m_session->identity.productCode.isEmpty()) {
        m_checkFrm->adjustSize();
        m_checkFrm->show();
        CcTalkLink::PumpDelay(1200);
        if (grabTo(m_checkFrm, out.filePath(QStringLiteral("dialog-test.png"))))
            written << out.filePath(QStringLiteral("dialog-test.png"));
        m_checkFrm->done(QDialog::Accepted);
    }

    // The configuration page with its function lists open.
    const auto page = [&](int index, const QString &name) {
        m_notebook->setCurrentIndex(index);
        const QString path = out.filePath(name);
        if (grabTo(this, path))
            written << path;
    };
    const bool edit = m_model->editMode();
    m_model->setEditMode(true);
    page(ConfigurationTab, QStringLiteral("state-configuration-edit.png"));
    m_model->setEditMode(edit);
    // With a selector attached, its configuration as the pages show it after "Upload".
    if (!m_session->identity.productCode.isEmpty()) {
        UploadClick();
        page(ConfigurationTab, QStringLiteral("state-configuration-uploaded.png"));
        page(Channels1Tab, QStringLiteral("state-channels-1-8-uploaded.png"));
        page(StatisticsTab, QStringLiteral("state-statistics-uploaded.png"));
    }
    m_notebook->setCurrentIndex(current);
    return written;
}
