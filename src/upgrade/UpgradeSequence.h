#pragma once

#include "upgrade/FirmwareUpgrade.h"

#include <QString>

class DeviceSession;
class Prompts;

// "Start" as a whole, for the window and the command-line tool: the firmware file checked,
// the configuration of a running selector saved beside it, the monitor entered, the file sent,
// and afterwards the offer to write the saved configuration back.
class UpgradeSequence
{
public:
    enum Result {
        Flashed,        // the monitor accepted the last record
        NotStarted,     // refused before the monitor was entered (file, backup, the user's no)
        MonitorMissing, // start_monitor did not answer 0
        TransferFailed, // the monitor was entered, the transfer did not finish
    };

    UpgradeSequence(DeviceSession &session, Prompts &prompts, const QString &programDir);

    FirmwareUpgrade &upgrade() { return m_upgrade; }

    // Saving the configuration first (on unless the user opts out).
    void setBackupEnabled(bool on) { m_backupEnabled = on; }
    // Where the copy goes; "" for a name beside the firmware file.
    void setBackupPath(const QString &path) { m_backupPath = path; }
    // Without backup, a failed copy ends the run; with it the user is asked to go on.
    void setAskWhenBackupFails(bool ask) { m_askWhenBackupFails = ask; }

    Result run(const QString &firmwarePath);
    // The copy saved by the last run, "" when none.
    QString backupFile() const { return m_savedBackup; }

    // After a flash: identifies the restarted selector and, if the user agrees, writes the
    // saved configuration back. false when nothing was written.
    bool offerRestore();

    // The name of the copy beside the firmware file: serial number and time stamp.
    static QString backupNameFor(const QString &firmwarePath, const QString &serial);

private:
    bool saveBackup(const QString &firmwarePath);

    DeviceSession &m_session;
    Prompts &m_prompts;
    QString m_dir;
    FirmwareUpgrade m_upgrade;
    bool m_backupEnabled = true;
    bool m_askWhenBackupFails = true;
    QString m_backupPath;
    QString m_savedBackup;
};
