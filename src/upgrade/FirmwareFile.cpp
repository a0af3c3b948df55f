#include "upgrade/FirmwareFile.h"

#include "app/Messages.h"
#include "link/CcTalkLink.h"

#include <QFile>

namespace {

// "S", the type, 255 bytes in hexadecimal: no record is longer.
constexpr qint64 MaxLineBytes = 2 + 2 * 255;
// "S0", count, address: the identity starts here and fills 9 bytes.
constexpr int IdentityStart = 8;
constexpr int IdentityDigits = 18;

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

bool isTermination(char type)
{
    return type == '7' || type == '8' || type == '9';
}

// Header, data (16, 24, 32-bit addresses), counts and terminations; S4 is reserved.
bool monitorTakes(char type)
{
    return type >= '0' && type <= '9' && type != '4';
}

} // namespace

FirmwareFile::Problem FirmwareFile::checkLine(const QByteArray &line)
{
    if (line.size() < 2 || line.at(0) != 'S' || line.at(1) < '0' || line.at(1) > '9')
        return Problem::NotARecord;
    const int digits = int(line.size()) - 2;
    if (digits % 2 != 0)
        return Problem::OddDigits;
    // At least the byte count and the checksum.
    if (digits < 4)
        return Problem::CountMismatch;
    unsigned sum = 0;
    int count = -1;
    for (int i = 2; i < line.size(); i += 2) {
        const int hi = hexValue(line.at(i));
        const int lo = hexValue(line.at(i + 1));
        if (hi < 0 || lo < 0)
            return Problem::NotHex;
        if (count < 0)
            count = hi * 16 + lo;
        sum += unsigned(hi * 16 + lo);
    }
    if (count != digits / 2 - 1)
        return Problem::CountMismatch;
    // Count, address, data and checksum add up to 0xFF.
    return (sum & 0xFF) == 0xFF ? Problem::None : Problem::BadChecksum;
}

bool FirmwareFile::fail(Problem problem, int line)
{
    m_problem = problem;
    m_problemLine = line;
    m_lines.clear();
    return false;
}

bool FirmwareFile::load(const QString &path)
{
    m_path = path;
    m_lines.clear();
    m_problem = Problem::None;
    m_problemLine = 0;
    m_refusedType = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Problem::CannotOpen, 0);
    if (file.size() > MaxFileBytes)
        return fail(Problem::TooLarge, 0);

    // One line at a time, each kept once: the file is never held whole beside its lines.
    qint64 total = 0;
    int blankRun = 0; // blank lines are the editor's only after the last record
    while (!file.atEnd()) {
        QByteArray line = file.readLine(MaxLineBytes + 3);
        if (line.isEmpty() && !file.atEnd())
            return fail(Problem::CannotOpen, 0);
        total += line.size();
        if (total > MaxFileBytes)
            return fail(Problem::TooLarge, 0);
        const bool whole = line.endsWith('\n') || file.atEnd();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const int number = int(m_lines.size()) + blankRun + 1;
        if (!whole)
            return fail(Problem::CountMismatch, number);
        if (line.trimmed().isEmpty()) {
            ++blankRun;
            continue;
        }
        if (blankRun > 0)
            return fail(Problem::NotARecord, number - blankRun);
        const Problem form = checkLine(line);
        if (form != Problem::None)
            return fail(form, number);
        const char type = line.at(1);
        if (!monitorTakes(type)) {
            m_refusedType = type;
            return fail(Problem::UnsupportedType, number);
        }
        if (number == 1 && type != '0')
            return fail(Problem::NoHeader, number);
        if (number > 1 && type == '0')
            return fail(Problem::SecondHeader, number);
        if (number == 1 && line.size() < IdentityStart + IdentityDigits + 2)
            return fail(Problem::HeaderTooShort, number);
        if (!m_lines.isEmpty() && isTermination(m_lines.last().at(1)))
            return fail(Problem::TerminationNotLast, number - 1);
        m_lines.append(line);
    }
    if (m_lines.isEmpty())
        return fail(Problem::NoRecords, 0);
    if (!isTermination(m_lines.last().at(1)))
        return fail(Problem::NoTermination, lineCount());
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
    case Problem::TooLarge:
        return Msg(970).arg(MaxFileBytes / (1024 * 1024)) + m_path;
    default:
        break;
    }
    QString reason;
    switch (m_problem) {
    case Problem::NotARecord:
        reason = Msg(951);
        break;
    case Problem::OddDigits:
        reason = Msg(952);
        break;
    case Problem::NotHex:
        reason = Msg(953);
        break;
    case Problem::CountMismatch:
        reason = Msg(954);
        break;
    case Problem::UnsupportedType:
        reason = Msg(971).arg(QStringLiteral("S") + QLatin1Char(m_refusedType));
        break;
    case Problem::NoHeader:
        reason = Msg(972);
        break;
    case Problem::SecondHeader:
        reason = Msg(973);
        break;
    case Problem::HeaderTooShort:
        reason = Msg(974);
        break;
    case Problem::TerminationNotLast:
        reason = Msg(975);
        break;
    case Problem::NoTermination:
        reason = Msg(976);
        break;
    default:
        reason = Msg(955);
        break;
    }
    return Msg(950) + QString::number(m_problemLine) + QStringLiteral(": ") + reason;
}

QByteArray FirmwareFile::headerIdentity() const
{
    if (m_lines.isEmpty() || m_lines.first().size() < IdentityStart + IdentityDigits)
        return QByteArray();
    return CcTalkLink::HexToBytes(QString::fromLatin1(m_lines.first().mid(IdentityStart, IdentityDigits)));
}

QByteArray FirmwareFile::frame(const QByteArray &line, bool header)
{
    QByteArray f;
    f.append(char(0x55));
    f.append(header ? char(0x30) : line.at(1));
    f.append(CcTalkLink::HexToBytes(QString::fromLatin1(line.mid(2))));
    return f;
}
