#pragma once

#include "upgrade/FirmwareFile.h"

#include <QByteArray>
#include <QString>
#include <functional>

class CcTalkLink;
class DeviceSession;
class Prompts;

// The boot-monitor transfer: entering the monitor and sending a firmware file record by
// record, each acknowledged by one status digit. Reports through Prompts; the window or the
// command-line tool around it shows progress and status through the hooks.
class FirmwareUpgrade
{
public:
    enum MonitorResult { MonitorAnswered = 0, AccessRefused = 1, NoMonitor = 2 };
    // How download_prgm ended. Every outcome but Finished leaves the selector in its monitor
    // (or not answering at all).
    enum Outcome { Finished, FailedStatus, Refused, TimedOut, BadFile, NotRestarted };

    FirmwareUpgrade(CcTalkLink &link, DeviceSession &session, Prompts &prompts);

    void setFileName(const QString &path) { m_fileName = path; }
    QString fileName() const { return m_fileName; }

    // Takes a running selector into its monitor (access permitting) and asks the monitor
    // for its identity at 9600, then at 38400 baud.
    int start_monitor();
    // The whole transfer of the chosen file, then the wait for the selector to restart in its
    // program; every exit leaves the port at 9600 baud with logging on.
    Outcome download_prgm();

    // Whether the selector answers a simple poll at MonitorAddress (it runs its program).
    bool selectorRunsProgram();

    // The message for a status character ('0' has none).
    static int messageForStatus(char status);

    // The 9 bytes the monitor answered to "V" at the last entry; empty when it failed.
    QByteArray MonitorIdentity;

    // Progress position and maximum; (0, max) resets the bar.
    std::function<void(int value, int maximum)> progress;
    // The status label's text.
    std::function<void(const QString &text)> status;

    // Figures of the last transfer (records: lines sent, whatever their answer).
    char lastStatus() const { return m_lastStatus; }
    int recordsSent() const { return m_recordsSent; }
    int recordCount() const { return m_recordCount; }
    qint64 elapsedMs() const { return m_elapsedMs; }
    // The pause after the transfer before the port is reset (the monitor restarts the program).
    void setSettleMs(int ms) { m_settleMs = ms; }
    // How long the restarted selector may take to answer in its program.
    void setRestartWaitMs(int ms) { m_restartWaitMs = ms; }
    // The software revision the selector reported after a finished upgrade.
    QString newRevision() const { return m_newRevision; }

private:
    char sendRecord(const QByteArray &frame);
    bool monitorAnswers(QByteArray &identity);
    bool waitForProgram();
    // The reason and how to recover the selector from its monitor; the label shows `label`.
    void failInMonitor(const QString &reason, const QString &label);
    void setStatus(const QString &text);
    void setProgress(int value, int maximum);

    CcTalkLink &m_link;
    DeviceSession &m_session;
    Prompts &m_prompts;
    QString m_fileName;
    char m_lastStatus = 0;
    int m_recordsSent = 0;
    int m_recordCount = 0;
    qint64 m_elapsedMs = 0;
    int m_settleMs = 400;
    int m_restartWaitMs = 5000;
    QString m_newRevision;
};
