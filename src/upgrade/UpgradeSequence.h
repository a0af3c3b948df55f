#pragma once

#include "upgrade/FirmwareUpgrade.h"

#include <QString>
#include <functional>

class DeviceSession;
class Prompts;

// "Start" as a whole, for the window and the command-line tool: the firmware file checked,
// a running selector's type and upgrade permission checked, its configuration saved beside
// the file, the monitor entered, the file sent, the selector seen back in its program, and
// afterwards the offer to write the saved configuration back.
class UpgradeSequence
{
public:
    enum Result {
        Flashed,        // the selector restarted in its new program
        NotStarted,     // refused before the monitor was entered (file, type, backup, the user's no)
        AccessRefused,  // no upgrade permission: nothing was read or changed
        MonitorMissing, // no boot monitor answered
        TransferFailed, // the monitor was entered, the selector did not come back in its program
        Interrupted,    // stopped on request before the monitor was entered: nothing changed
    };

    UpgradeSequence(DeviceSession &session, Prompts &prompts, const QString &programDir);

    FirmwareUpgrade &upgrade() { return m_upgrade; }

    // Saving the configuration first (on unless the user opts out).
    void setBackupEnabled(bool on) { m_backupEnabled = on; }
    // Where the copy goes; "" for a name beside the firmware file.
    void setBackupPath(const QString &path) { m_backupPath = path; }
    // Without backup, a failed copy ends the run; with it the user is asked to go on.
    void setAskWhenBackupFails(bool ask) { m_askWhenBackupFails = ask; }

    // Asked between the steps before the monitor is entered; once it is, the transfer runs to
    // its end whatever this says, since a cut transfer strands the selector.
    std::function<bool()> stopRequested;

    Result run(const QString &firmwarePath);
    // The last run was refused for its file: its form, its size or the selector it was made for.
    bool fileRefused() const { return m_fileRefused; }
    // The copy saved by the last run, "" when none.
    QString backupFile() const { return m_savedBackup; }

    // After a flash: identifies the restarted selector and, if the user agrees, writes the
    // saved configuration back. false when nothing was written.
    bool offerRestore();

    // The name of the copy beside the firmware file: serial number and time stamp.
    static QString backupNameFor(const QString &firmwarePath, const QString &serial);

private:
    bool saveBackup(const QString &firmwarePath);
    // Type and upgrade permission of a selector in its program; false with the refusal.
    bool checkRunningSelector(const FirmwareFile &file, Result &refusal);
    bool stopping() const { return stopRequested && stopRequested(); }

    DeviceSession &m_session;
    Prompts &m_prompts;
    QString m_dir;
    FirmwareUpgrade m_upgrade;
    bool m_backupEnabled = true;
    bool m_askWhenBackupFails = true;
    QString m_backupPath;
    QString m_savedBackup;
    bool m_fileRefused = false;
};
