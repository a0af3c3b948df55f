#include "upgrade/FirmwareFile.h"

#include "app/Messages.h"
#include "link/CcTalkLink.h"

#include <QFile>

namespace {

int hexValue(QChar c)
{
    const char ch = c.toLatin1();
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

} // namespace

FirmwareFile::Problem FirmwareFile::checkLine(const QString &line)
{
    if (line.size() < 2 || line.at(0) != QLatin1Char('S') || !line.at(1).isDigit() ||
        line.at(1).unicode() > '9')
        return Problem::NotARecord;
    const QString digits = line.mid(2);
    if (digits.size() % 2 != 0)
        return Problem::OddDigits;
    // At least the byte count and the checksum.
    if (digits.size() < 4)
        return Problem::CountMismatch;
    QByteArray bytes;
    for (int i = 0; i < digits.size(); i += 2) {
        const int hi = hexValue(digits.at(i));
        const int lo = hexValue(digits.at(i + 1));
        if (hi < 0 || lo < 0)
            return Problem::NotHex;
        bytes.append(char(hi * 16 + lo));
    }
    if (quint8(bytes.at(0)) != bytes.size() - 1)
        return Problem::CountMismatch;
    unsigned sum = 0;
    for (char b : bytes)
        sum += quint8(b);
    // Count, address, data and checksum add up to 0xFF.
    return (sum & 0xFF) == 0xFF ? Problem::None : Problem::BadChecksum;
}

bool FirmwareFile::load(const QString &path)
{
    m_path = path;
    m_lines.clear();
    m_problem = Problem::None;
    m_problemLine = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_problem = Problem::CannotOpen;
        return false;
    }
    const QByteArray content = file.readAll();
    file.close();
    QStringList lines = QString::fromLatin1(content).split(QLatin1Char('\n'));
    for (QString &l : lines) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    }
    // Blank lines after the last record are the editor's, not records.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()) {
        m_problem = Problem::NoRecords;
        return false;
    }
    for (int i = 0; i < lines.size(); ++i) {
        const Problem p = checkLine(lines.at(i));
        if (p != Problem::None) {
            m_problem = p;
            m_problemLine = i + 1;
            return false;
        }
    }
    m_lines = lines;
    return true;
}

QString FirmwareFile::problemText() const
{
    switch (m_problem) {
    case Problem::None:
        return QString();
    case Problem::CannotOpen:
        return Msg(957) + m_path;
    case Problem::NoRecords:
        return Msg(956) + m_path;
    default:
        break;
    }
    int reason = 955;
    if (m_problem == Problem::NotARecord)
        reason = 951;
    else if (m_problem == Problem::OddDigits)
        reason = 952;
    else if (m_problem == Problem::NotHex)
        reason = 953;
    else if (m_problem == Problem::CountMismatch)
        reason = 954;
    return Msg(950) + QString::number(m_problemLine) + QStringLiteral(": ") + Msg(reason);
}

QByteArray FirmwareFile::headerIdentity() const
{
    if (m_lines.isEmpty() || m_lines.first().size() < 26)
        return QByteArray();
    return CcTalkLink::HexToBytes(m_lines.first().mid(8, 18));
}

QByteArray FirmwareFile::frame(const QString &line, bool header)
{
    QByteArray f;
    f.append(char(0x55));
    f.append(header ? char(0x30) : line.at(1).toLatin1());
    f.append(CcTalkLink::HexToBytes(line.mid(2)));
    return f;
}
