#include "upgrade/FirmwareUpgrade.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/DeviceSession.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

#include <QElapsedTimer>

namespace {

constexpr quint8 RegionMonitorEntry = 0x40;

// Whatever ends the transfer, the selector is expected back at 9600 baud and the log runs again.
class TransferEnd
{
public:
    TransferEnd(CcTalkLink &link, int settleMs, std::function<void()> resetProgress)
        : m_link(link), m_settleMs(settleMs), m_resetProgress(std::move(resetProgress))
    {
    }
    ~TransferEnd()
    {
        try {
            CcTalkLink::PumpDelay(unsigned(m_settleMs));
            m_resetProgress();
            m_link.SetBaud(9600);
        } catch (...) {
        }
        m_link.LoggingEnabled = true;
    }

private:
    CcTalkLink &m_link;
    int m_settleMs;
    std::function<void()> m_resetProgress;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

FirmwareUpgrade::FirmwareUpgrade(CcTalkLink &link, DeviceSession &session, Prompts &prompts)
    : m_link(link), m_session(session), m_prompts(prompts)
{
}

void FirmwareUpgrade::setStatus(const QString &text)
{
    if (status)
        status(text);
}

void FirmwareUpgrade::setProgress(int value, int maximum)
{
    if (progress)
        progress(value, maximum);
}

int FirmwareUpgrade::messageForStatus(char status)
{
    switch (status) {
    case '1':
        return 303;
    case '2':
        return 148;
    case '3':
        return 64;
    case '4':
        return 149;
    case '5':
        return 306;
    case '6':
        return 77;
    default:
        return 308;
    }
}

bool FirmwareUpgrade::selectorRunsProgram()
{
    QByteArray reply;
    return m_link.Transact(m_link.MonitorAddress, QByteArray(1, char(254)), 20, reply) == CcTalkLink::Ok;
}

int FirmwareUpgrade::start_monitor()
{
    int result = MonitorAnswered;
    if (selectorRunsProgram()) {
        if (m_session.RequestAccess(DeviceSession::WriteBank, RegionMonitorEntry)) {
            QByteArray reply;
            m_link.Transact(m_link.MonitorAddress, QByteArray("\xFF\x06", 2), 20, reply);
        } else {
            result = AccessRefused;
        }
    }
    QByteArray identity;
    CcTalkLink::PumpDelay(20);
    m_link.SetBaud(9600);
    bool answered = m_link.RawExchange(QByteArrayLiteral("V"), 9, 50, identity) == CcTalkLink::RawOk;
    if (!answered && result == MonitorAnswered) {
        CcTalkLink::PumpDelay(20);
        m_link.SetBaud(38400);
        answered = m_link.RawExchange(QByteArrayLiteral("V"), 9, 50, identity) == CcTalkLink::RawOk;
        if (!answered)
            result = NoMonitor;
    }
    CcTalkLink::PumpDelay(20);
    MonitorIdentity = result == MonitorAnswered ? identity : QByteArray();
    return result;
}

bool FirmwareUpgrade::monitorAnswers(QByteArray &identity)
{
    for (int baud : {9600, 38400}) {
        CcTalkLink::PumpDelay(20);
        m_link.SetBaud(baud);
        if (m_link.RawExchange(QByteArrayLiteral("V"), 9, 50, identity) == CcTalkLink::RawOk)
            return true;
    }
    return false;
}

bool FirmwareUpgrade::waitForProgram()
{
    // The monitor starts the new program after the termination record; it comes back at 9600.
    m_link.SetBaud(9600);
    QElapsedTimer waited;
    waited.start();
    do {
        QByteArray reply;
        if (m_link.Transact(m_link.MonitorAddress, QByteArray(1, char(254)), 20, reply) == CcTalkLink::Ok) {
            reply.clear();
            if (m_link.Transact(m_link.MonitorAddress, QByteArray(1, char(241)), 20, reply) == CcTalkLink::Ok)
                m_newRevision = QString::fromLatin1(ReplyFrame::data(reply));
            return true;
        }
        CcTalkLink::PumpDelay(100);
    } while (waited.elapsed() < m_restartWaitMs);
    return false;
}

void FirmwareUpgrade::failInMonitor(const QString &reason, const QString &label)
{
    setStatus(label);
    m_prompts.error(reason + Msg(978));
}

char FirmwareUpgrade::sendRecord(const QByteArray &frame)
{
    QByteArray reply;
    m_link.RawExchange(frame, 1, 20, reply);
    // A time-out leaves "6" as the reply.
    return reply.isEmpty() ? '6' : reply.at(0);
}

FirmwareUpgrade::Outcome FirmwareUpgrade::download_prgm()
{
    setStatus(Msg(218));
    QElapsedTimer clock;
    clock.start();
    m_lastStatus = 0;
    m_recordsSent = 0;
    m_recordCount = 0;
    m_elapsedMs = 0;
    m_newRevision.clear();
    setProgress(0, 1);
    m_link.LoggingEnabled = false;
    TransferEnd end(m_link, m_settleMs, [this] { setProgress(0, qMax(1, m_recordCount)); });

    // From here on the selector waits in its monitor whatever goes wrong.
    FirmwareFile file;
    if (!file.load(m_fileName)) {
        failInMonitor(file.problemText(), QString());
        return BadFile;
    }
    const QList<QByteArray> &lines = file.lines();
    m_recordCount = file.lineCount();
    setProgress(0, m_recordCount);

    // A header too short to hold an identity cannot match one.
    const QByteArray identity = file.headerIdentity();
    if (identity.size() != 9 || identity != MonitorIdentity) {
        failInMonitor(Msg(303), QString());
        return Refused;
    }

    QByteArray reply;
    if (m_link.RawExchange(FirmwareFile::frame(lines.first(), true), 1, 300, reply) != CcTalkLink::RawOk) {
        failInMonitor(Msg(299), QString());
        return TimedOut;
    }
    ++m_recordsSent;
    char status = reply.isEmpty() ? '6' : reply.at(0);

    // The record loop: codes 3 and above are tried three times in all, 1 and 2 end at once;
    // a reply that is not a digit is no code the monitor knows and ends the transfer too.
    for (int next = 1; status == '0' && next < lines.size(); ++next) {
        setProgress(next, m_recordCount);
        const QByteArray frame = FirmwareFile::frame(lines.at(next), false);
        status = sendRecord(frame);
        for (int attempt = 1; attempt < 3 && isDigit(status) && status >= '3'; ++attempt)
            status = sendRecord(frame);
        ++m_recordsSent;
    }
    m_lastStatus = status;
    m_elapsedMs = clock.elapsed();

    if (status != '0') {
        // The label keeps the reason once the box is gone, rather than "Programming".
        failInMonitor(Msg(messageForStatus(status)), Msg(messageForStatus(status)));
        return FailedStatus;
    }

    // The last record accepted is not yet a working selector: only its program answering is.
    setProgress(m_recordCount, m_recordCount);
    setStatus(Msg(982));
    m_link.LoggingEnabled = true;
    if (waitForProgram()) {
        setStatus(Msg(217) + QString::number(m_elapsedMs) + QStringLiteral(" ms"));
        m_prompts.information(Msg(981).arg(m_newRevision));
        return Finished;
    }
    QByteArray identityNow;
    if (monitorAnswers(identityNow)) {
        failInMonitor(Msg(979), Msg(979));
    } else {
        setStatus(Msg(980));
        m_prompts.error(Msg(980));
    }
    return NotRestarted;
}
