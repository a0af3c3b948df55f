#include "device/DeviceSession.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/IniFile.h"
#include "device/MemoryMap.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"
#include "link/LinkHooks.h"
#include "link/PortFactory.h"
#include "link/SerialPort.h"

#include <QDir>

namespace {
QByteArray header(quint8 h)
{
    return QByteArray(1, static_cast<char>(h));
}

QByteArray header255(std::initializer_list<int> data)
{
    QByteArray cmd(1, char(255));
    for (int b : data)
        cmd.append(static_cast<char>(b));
    return cmd;
}

// Notebook disabled for the search and enabled again on every way out.
class NotebookScope
{
public:
    explicit NotebookScope(const std::function<void(bool)> &hook) : m_hook(hook)
    {
        if (m_hook)
            m_hook(false);
    }
    ~NotebookScope()
    {
        if (m_hook)
            m_hook(true);
    }
    NotebookScope(const NotebookScope &) = delete;
    NotebookScope &operator=(const NotebookScope &) = delete;

private:
    const std::function<void(bool)> &m_hook;
};
} // namespace

DeviceSession::DeviceSession(CcTalkLink &link, Prompts &prompts, const QString &programDir, QObject *parent)
    : QObject(parent), m_link(link), m_prompts(prompts), m_programDir(programDir)
{
}

QString DeviceSession::iniPath() const
{
    return QDir(m_programDir).filePath(QStringLiteral("rx30.ini"));
}

void DeviceSession::report(const QString &text)
{
    if (ReportFlag)
        m_prompts.error(text);
}

bool DeviceSession::IsSupportedType(const QString &type) const
{
    // Read afresh: the catalogue may change while the program runs.
    const IniFile ini(iniPath());
    return ini.keys(QStringLiteral("SUPPORTED TYPES")).contains(type, Qt::CaseSensitive);
}

bool DeviceSession::Identify()
{
    const quint8 address = m_link.DeviceAddress;
    QByteArray reply;
    if (m_link.Transact(address, header(246), 5, reply) != CcTalkLink::Ok)
        return false;
    if (ReplyFrame::data(reply) != QByteArrayLiteral("Marvesti")) {
        report(Msg(292));
        return false;
    }

    reply.clear();
    const quint8 typeResult = m_link.Transact(address, header255({8}), 5, reply);
    const QByteArray typeData = ReplyFrame::data(reply);
    // A type reply too short to hold the four characters is as unusable as no reply.
    if (typeResult != CcTalkLink::Ok || typeData.size() < 4) {
        report(Msg(305));
        return false;
    }
    DeviceType = QString::fromLatin1(typeData.left(4));
    if (!IsSupportedType(DeviceType)) {
        report(Msg(82));
        return false;
    }

    // Informational requests: a failure leaves the field empty and does not stop identification.
    identity.clear();
    auto textOf = [&](quint8 h) {
        QByteArray r;
        if (m_link.Transact(address, header(h), 5, r) != CcTalkLink::Ok)
            return QString();
        return QString::fromLatin1(ReplyFrame::data(r));
    };
    auto dateOf = [&](quint8 h) {
        QByteArray r;
        if (m_link.Transact(address, header(h), 5, r) != CcTalkLink::Ok)
            return QString();
        const QByteArray d = ReplyFrame::data(r);
        if (d.size() < 2)
            return QString();
        const quint16 code =
            static_cast<quint16>((static_cast<quint8>(d.at(0)) << 8) | static_cast<quint8>(d.at(1)));
        return m_link.DateCodeToText(code);
    };

    identity.productCode = textOf(244);
    {
        QByteArray r;
        if (m_link.Transact(address, header(242), 5, r) == CcTalkLink::Ok) {
            const QByteArray d = ReplyFrame::data(r);
            if (d.size() >= 3) {
                const quint32 serial = static_cast<quint8>(d.at(0)) | (static_cast<quint8>(d.at(1)) << 8) |
                                       (static_cast<quint32>(static_cast<quint8>(d.at(2))) << 16);
                identity.serialNumber = serial == 16777215u ? Msg(186) : QString::number(serial);
            }
        }
    }
    identity.buildCode = textOf(192);
    identity.softwareRevision = textOf(241);
    identity.productionDate = dateOf(196);
    identity.modificationDate = dateOf(195);
    emit identityChanged();

    AccessMasks = {{0, 0, 0, 0}};
    rememberLink();
    m_link.MonitorAddress = m_link.DeviceAddress;

    reply.clear();
    const quint8 maskResult = m_link.Transact(address, header255({2, 7, 116, 4}), 10, reply);
    if (maskResult != CcTalkLink::Ok) {
        report(Msg(78) + QString::number(maskResult));
        return false;
    }
    const QByteArray masks = ReplyFrame::data(reply);
    if (!ReplyFrame::isAck(reply) || masks.size() < 4) {
        report(Msg(127) + QString::number(maskResult));
        return false;
    }
    for (int i = 0; i < 4; ++i)
        AccessMasks[static_cast<size_t>(i)] = static_cast<quint8>(masks.at(i));
    emit identified();
    return true;
}

void DeviceSession::rememberLink()
{
    IniFile ini(iniPath());
    const QString addr = QStringLiteral("%1").arg(m_link.DeviceAddress, 2, 16, QLatin1Char('0')).toUpper();
    const bool ok = ini.writeValue(QStringLiteral("SETTINGS"), QStringLiteral("ccTalkAddr"), addr) &&
                    ini.writeValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort"), m_link.portName());
    // Not fatal for the identification, but the user should learn once that nothing is remembered.
    if (!ok && !m_iniWarned) {
        m_iniWarned = true;
        m_prompts.warning(Msg(425) + iniPath() + QStringLiteral(": ") + ini.errorString());
    }
}

QString DeviceSession::foundText() const
{
    return Msg(97) + QString::number(m_link.DeviceAddress) + Msg(2) + m_link.portName();
}

bool DeviceSession::Search()
{
    m_link.DeviceAddress = 2;
    m_link.MonitorAddress = 2;
    m_portProblems.clear();
    m_monitorPort.clear();
    NotebookScope notebook(m_notebookHook);
    ReportFlag = false;
    bool found = false;

    if (Identify() && m_link.isPortOpen()) {
        m_prompts.information(foundText());
        found = true;
    } else {
        ReportFlag = true;
        if (PortScan()) {
            if (!AddressPoll()) {
                m_prompts.error(Msg(99) + QString::number(m_link.DeviceAddress));
            } else if (Identify()) {
                m_prompts.information(foundText());
                found = true;
            }
        } else if (MonitorScan()) {
            if (!m_upgradeHandler)
                m_prompts.error(Msg(985).arg(m_monitorType, m_monitorPort));
            else if (m_prompts.confirm(Msg(98), Prompts::Buttons::YesNo) == Prompts::Answer::Yes)
                m_upgradeHandler();
        } else {
            m_prompts.error(Msg(99));
        }
    }
    ReportFlag = true;
    return found;
}

QStringList DeviceSession::machinePorts() const
{
    return m_portLister ? m_portLister() : PortList::ports(m_explicitPorts);
}

QString DeviceSession::openProblemText(int message, const QString &port, const QString &detail)
{
    if (message == 0)
        return QString();
    QString text = Msg(message) + port;
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + QLatin1Char(')');
    return text;
}

QString DeviceSession::portOpenFailure(CcTalkLink &link, const QString &port)
{
    SerialPort *serial = link.port();
    int message = 438;
    QString detail;
    if (serial) {
        detail = serial->errorString();
        if (serial->openError() == SerialPort::OpenError::PermissionDenied)
            message = 426;
        else if (serial->openError() == SerialPort::OpenError::Busy)
            message = 427;
    }
    return openProblemText(message, port, detail);
}

bool DeviceSession::openCandidate(const QString &name)
{
    m_link.closePort();
    m_link.setPortName(name);
    if (m_link.openPort())
        return true;
    // Skipped silently as designed, but a reason the user can fix is kept and logged.
    SerialPort *port = m_link.port();
    if (!port)
        return false;
    int message = 0;
    if (port->openError() == SerialPort::OpenError::PermissionDenied)
        message = 426;
    else if (port->openError() == SerialPort::OpenError::Busy)
        message = 427;
    if (message == 0)
        return false;
    for (const PortProblem &p : std::as_const(m_portProblems))
        if (p.port == name)
            return false;
    m_portProblems.append({name, message, port->errorString()});
    if (m_notices && m_link.LoggingEnabled)
        m_notices->LogLine(QStringLiteral("-- ") + openProblemText(message, name, port->errorString()));
    return false;
}

bool DeviceSession::PortScan()
{
    ListBox1 = machinePorts();
    for (const QString &name : std::as_const(ListBox1)) {
        if (!openCandidate(name))
            continue;
        QByteArray reply;
        if (m_link.Transact(0, header(254), 5, reply) == CcTalkLink::Ok)
            return true;
    }
    return false;
}

bool DeviceSession::AddressPoll()
{
    m_link.DeviceAddress = 2;
    m_link.MonitorAddress = 2;
    QByteArray reply;
    const quint8 result = m_link.Transact(0, header(253), 120, reply);
    if (result != CcTalkLink::Timeout || m_link.RxBuffer.size() != 6)
        return false;
    const quint8 address = static_cast<quint8>(m_link.RxBuffer.at(5));
    // 0 is the broadcast address and 1 the host's own: neither can be a selector's.
    if (address < 2)
        return false;
    m_link.DeviceAddress = address;
    m_link.MonitorAddress = address;
    return true;
}

bool DeviceSession::monitorAnswers(QByteArray &identityBytes)
{
    CcTalkLink::PumpDelay(20);
    return m_link.RawExchange(QByteArrayLiteral("V"), 9, 10, identityBytes) == CcTalkLink::RawOk;
}

bool DeviceSession::MonitorScan()
{
    bool found = false;
    QByteArray answer;
    for (const QString &name : std::as_const(ListBox1)) {
        m_link.closePort();
        m_link.setPortName(name);
        m_link.SetBaud(9600);
        if (!m_link.isPortOpen() && !m_link.openPort())
            continue;
        if (monitorAnswers(answer)) {
            found = true;
            break;
        }
        m_link.closePort();
        m_link.SetBaud(38400);
        if (!m_link.isPortOpen() && !m_link.openPort())
            continue;
        if (monitorAnswers(answer)) {
            found = true;
            break;
        }
    }
    m_link.SetBaud(9600);
    if (!found || answer.size() < 4 || !IsSupportedType(QString::fromLatin1(answer.left(4))))
        return false;
    m_monitorPort = m_link.portName();
    m_monitorType = QString::fromLatin1(answer.left(4));
    return true;
}
