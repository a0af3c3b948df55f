#pragma once

#include "device/DeviceIdentity.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class CcTalkLink;
class LogSink;
class Prompts;

#ifndef RX_FACTORY_ACCESS_DEFAULT
#define RX_FACTORY_ACCESS_DEFAULT false
#endif

// The selector in use: finding and identifying it, its protection state, and the
// protected memory commands every other part goes through. One instance per program run;
// it talks through the link's current port and DeviceAddress and reports through Prompts.
class DeviceSession : public QObject
{
    Q_OBJECT
public:
    enum Level : quint8 { FactoryLevel = 1, PinLevel = 2 };
    enum BlockResult : int { Done = 0, Failed = 1, NotGranted = 2 };
    enum Bank : int { ReadBank = 0, WriteBank = 1 };

    // A port the search could not open, kept when the reason is the user's to fix.
    struct PortProblem
    {
        QString port;
        int message; // message number explaining the reason
        QString detail;
    };

    // programDir holds rx30.ini; it is never guessed here.
    DeviceSession(CcTalkLink &link, Prompts &prompts, const QString &programDir, QObject *parent = nullptr);

    CcTalkLink &link() const { return m_link; }
    Prompts &prompts() const { return m_prompts; }
    QString programDir() const { return m_programDir; }
    QString iniPath() const;

    // --- identification and search
    bool Identify();
    // Returns true when a selector was found and identified.
    bool Search();
    bool PortScan();
    bool AddressPoll();
    bool MonitorScan();
    bool IsSupportedType(const QString &type) const;

    // Ports named outside the machine's list (command line, settings); they join the search.
    void setExplicitPorts(const QStringList &names) { m_explicitPorts = names; }
    QStringList explicitPorts() const { return m_explicitPorts; }
    // Replaces the machine's port list (tests, benchmarks).
    void setPortLister(std::function<QStringList()> lister) { m_portLister = std::move(lister); }
    // The port of a selector the last search found waiting in its boot monitor, "" when none.
    QString monitorPort() const { return m_monitorPort; }
    // Ports skipped by the last search for a reason the user can fix.
    QList<PortProblem> portProblems() const { return m_portProblems; }
    // Explains a port that would not open, or "" when the reason is not the user's to fix.
    static QString openProblemText(int message, const QString &port, const QString &detail);
    // Why the link's port would not open, for someone who named that port: permission, busy, or
    // the port's own reason.
    static QString portOpenFailure(CcTalkLink &link, const QString &port);

    // The search's offer to upgrade a selector found in its boot monitor. Without a
    // handler the search names the selector waiting there and points to the upgrade.
    void setUpgradeHandler(std::function<void()> handler) { m_upgradeHandler = std::move(handler); }
    // The window's notebook is disabled during a search and enabled again on every path.
    void setNotebookHook(std::function<void(bool enabled)> hook) { m_notebookHook = std::move(hook); }
    // Receives a line for each port skipped for a reason the user can fix.
    void setNoticeSink(LogSink *sink) { m_notices = sink; }

    // --- protected memory
    bool RequestAccess(int bank, quint8 region);
    int ReadBlock(quint16 address, int count, QByteArray &data, quint8 region);
    int WriteBlock(quint16 address, const QByteArray &data, quint8 region);
    // The 16-byte record of channel 1..16.
    int ReadChannel(int channel, QByteArray &record);
    int WriteChannel(int channel, const QByteArray &record);
    bool CommitToNV();

    // Clears the unlocked levels, as the main window does at start-up.
    void resetAccess();

    // --- state shared with the windows
    bool ReportFlag = false;
    std::array<quint8, 4> AccessMasks{{0, 0, 0, 0}};
    quint8 UnlockedLevels = 0;
    QByteArray FactoryPassword;
    QByteArray CurrentPin;
    bool PinCheckSuppressed = false;
    bool FactoryAccessEnabled = RX_FACTORY_ACCESS_DEFAULT;
    QString DeviceType;
    DeviceIdentity identity;

signals:
    // The information panel's fields were read again (also when a later step then failed).
    void identityChanged();
    // Identification succeeded: the selector is supported and its masks are known.
    void identified();

private:
    void report(const QString &text);
    void rememberLink();
    QStringList machinePorts() const;
    bool openCandidate(const QString &name);
    bool monitorAnswers(QByteArray &identity);
    QString foundText() const;
    bool denyAccess(quint8 lastResult);

    CcTalkLink &m_link;
    Prompts &m_prompts;
    QString m_programDir;
    QStringList m_explicitPorts;
    std::function<QStringList()> m_portLister;
    std::function<void()> m_upgradeHandler;
    std::function<void(bool)> m_notebookHook;
    LogSink *m_notices = nullptr;
    QList<PortProblem> m_portProblems;
    QString m_monitorPort;
    QString m_monitorType;
    QStringList ListBox1;
    bool m_iniWarned = false;
};
