#include "upgrade/UpgradeSequence.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/DeviceSession.h"
#include "files/BlockValue.h"
#include "files/SectionChoice.h"
#include "files/XMLItem.h"
#include "link/CcTalkLink.h"
#include "stats/ConfigWorkspace.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr quint8 RegionMonitorEntry = 0x40;

// The reads made on the user's behalf before and after the flash report their failures and
// ask their questions, but their own "Operation finished" is not the user's to acknowledge.
class QuietReads : public Prompts
{
public:
    explicit QuietReads(Prompts &to) : m_to(to) {}
    void error(const QString &text) override { m_to.error(text); }
    void warning(const QString &text) override { m_to.warning(text); }
    void information(const QString &) override {}
    Answer confirm(const QString &text, Buttons buttons) override { return m_to.confirm(text, buttons); }
    bool password(const QString &caption, const Validator &validate, QString &result) override
    {
        return m_to.password(caption, validate, result);
    }
    bool inputText(const QString &caption, const QString &label, const Validator &validate,
                   QString &result) override
    {
        return m_to.inputText(caption, label, validate, result);
    }
    QString openFileName(const QString &caption, const QString &directory, const QString &filter) override
    {
        return m_to.openFileName(caption, directory, filter);
    }
    QString saveFileName(const QString &caption, const QString &directory, const QString &filter) override
    {
        return m_to.saveFileName(caption, directory, filter);
    }

private:
    Prompts &m_to;
};

} // namespace

UpgradeSequence::UpgradeSequence(DeviceSession &session, Prompts &prompts, const QString &programDir)
    : m_session(session), m_prompts(prompts), m_dir(programDir), m_upgrade(session.link(), session, prompts)
{
}

QString UpgradeSequence::backupNameFor(const QString &firmwarePath, const QString &serial)
{
    QString id = serial;
    for (QChar &c : id) {
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    }
    if (id.isEmpty())
        id = QStringLiteral("selector");
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return QFileInfo(firmwarePath)
        .absoluteDir()
        .filePath(id + QLatin1Char('_') + stamp + QStringLiteral(".xml"));
}

bool UpgradeSequence::saveBackup(const QString &firmwarePath)
{
    // The same Upload and File Save a user would run, into a workspace of its own so the
    // window's data stay as they are.
    QuietReads quiet(m_prompts);
    ConfigWorkspace ws(m_session, quiet, m_dir);
    if (!ws.load())
        return false;
    QString unknown;
    SectionChoice::install(ws.tree(), QStringLiteral("all"), &unknown);
    if (ws.transfer().Upload() != ConfigTransfer::Done)
        return false;
    const QString target =
        m_backupPath.isEmpty() ? backupNameFor(firmwarePath, m_session.identity.serialNumber) : m_backupPath;
    if (ws.files().FileSave(target) != ConfigFiles::Done)
        return false;
    m_savedBackup = SectionTree::xmlFileName(target);
    m_prompts.information(Msg(958) + QDir::toNativeSeparators(m_savedBackup));
    return true;
}

bool UpgradeSequence::checkRunningSelector(const FirmwareFile &file, Result &refusal)
{
    refusal = NotStarted;
    // Identified afresh for its type and its masks; failures speak for themselves.
    const bool report = m_session.ReportFlag;
    m_session.ReportFlag = true;
    const bool identified = m_session.Identify();
    m_session.ReportFlag = report;
    if (!identified)
        return false;
    // A file for another selector would strand this one in its monitor: the monitor's own
    // check comes only after the switch.
    if (file.deviceType() != m_session.DeviceType) {
        m_fileRefused = true;
        m_prompts.error(Msg(977).arg(file.deviceType(), m_session.DeviceType));
        return false;
    }
    refusal = AccessRefused;
    return m_session.RequestAccess(DeviceSession::WriteBank, RegionMonitorEntry);
}

UpgradeSequence::Result UpgradeSequence::run(const QString &firmwarePath)
{
    CcTalkLink &link = m_session.link();
    m_savedBackup.clear();
    m_fileRefused = false;
    m_upgrade.setFileName(firmwarePath);

    // A file the monitor cannot finish with is refused while the selector still runs its program.
    FirmwareFile file;
    if (!file.load(firmwarePath)) {
        m_fileRefused = true;
        m_prompts.error(file.problemText());
        return NotStarted;
    }
    if (stopping())
        return Interrupted;

    if (m_upgrade.selectorRunsProgram()) {
        Result refusal = NotStarted;
        if (!checkRunningSelector(file, refusal))
            return refusal;
        if (stopping())
            return Interrupted;
        if (m_backupEnabled && !saveBackup(firmwarePath)) {
            if (!m_askWhenBackupFails) {
                m_prompts.error(Msg(965));
                return NotStarted;
            }
            if (m_prompts.confirm(Msg(960), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
                return NotStarted;
        }
    } else if (m_backupEnabled &&
               m_prompts.confirm(Msg(959), Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
        return NotStarted;
    }
    if (stopping())
        return Interrupted;

    const int monitor = m_upgrade.start_monitor();
    if (monitor != FirmwareUpgrade::MonitorAnswered) {
        // The search for the monitor may have left the port at 38400.
        link.SetBaud(9600);
        // A refused access has shown its own message; a silent monitor must not end unexplained.
        if (monitor == FirmwareUpgrade::NoMonitor)
            m_prompts.error(Msg(966));
        return monitor == FirmwareUpgrade::AccessRefused ? AccessRefused : MonitorMissing;
    }
    return m_upgrade.download_prgm() == FirmwareUpgrade::Finished ? Flashed : TransferFailed;
}

bool UpgradeSequence::offerRestore()
{
    if (m_savedBackup.isEmpty())
        return false;
    if (m_prompts.confirm(Msg(961) + QDir::toNativeSeparators(m_savedBackup), Prompts::Buttons::YesNo) !=
        Prompts::Answer::Yes)
        return false;

    // What the selector holds now, read the way Upload reads it.
    QuietReads quiet(m_prompts);
    ConfigWorkspace now(m_session, quiet, m_dir);
    if (!now.load())
        return false;
    QString unknown;
    SectionChoice::install(now.tree(), QStringLiteral("all"), &unknown);
    // Both sides in the form a file holds, so that what a file cannot carry (the fourth
    // country code) counts as no difference and is never overwritten.
    if (now.transfer().Upload() != ConfigTransfer::Done || !now.files().screen_2_xml())
        return false;

    ConfigWorkspace saved(m_session, m_prompts, m_dir);
    if (!saved.load() || saved.files().FileOpen(m_savedBackup) != ConfigFiles::Done)
        return false;

    // Only the blocks whose bytes differ go back to the selector.
    const auto differs = [&now](const SectionTree &t, int i) {
        const TXMLItem *item = t.item(i);
        const int address = BlockValue::address(item);
        const int length = BlockValue::length(item);
        if (address < 0x0600 || length <= 0 || item->Text.isEmpty() || i >= now.tree().count())
            return false;
        return item->Text.left(2 * length).toUpper() != now.tree().item(i)->Text.left(2 * length).toUpper();
    };
    if (!saved.files().screen_2_xml())
        return false;
    int differing = 0;
    for (int i = 0; i < saved.tree().count(); ++i)
        differing += differs(saved.tree(), i) ? 1 : 0;

    if (differing == 0) {
        m_prompts.information(Msg(964));
        return false;
    }
    saved.tree().showHook = [&differs](SectionTree &t) {
        for (int i = 0; i < t.count(); ++i)
            t.setState(i, differs(t, i) ? SectionTree::Checked : SectionTree::Unchecked);
        return true;
    };
    return saved.transfer().Download() == ConfigTransfer::Done;
}
