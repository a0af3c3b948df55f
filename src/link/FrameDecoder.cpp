#include "link/FrameDecoder.h"

#include "app/Messages.h"
#include "link/CcTalkLink.h"
#include "link/Checksum.h"

namespace {
QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString upperHex(unsigned v, int digits)
{
    return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

QString address(int a)
{
    return QStringLiteral("0x") + upperHex(static_cast<unsigned>(a), 4);
}

quint64 littleEndian(const QByteArray &data)
{
    quint64 v = 0;
    for (int i = std::min<int>(static_cast<int>(data.size()), 8) - 1; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(data.at(i));
    return v;
}

// Printable ASCII as it is, anything else as \xNN, in quotes.
QString quotedText(const QByteArray &data)
{
    QString out = QStringLiteral("\"");
    for (char c : data) {
        const auto u = static_cast<quint8>(c);
        if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\')
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x") + upperHex(u, 2);
    }
    return out + QLatin1Char('"');
}

QString byteCount(int n)
{
    return QString::number(n) + Msg(907);
}

// The hex digits of the frame's text that hold bytes first..last (1-based), as "9-16".
QString digitRange(int firstByte, int lastByte)
{
    return QStringLiteral("%1-%2").arg(2 * firstByte - 1).arg(2 * lastByte);
}

QByteArray lineBytes(const QString &line, bool *ok)
{
    const QString text = line.mid(3).trimmed();
    const QByteArray bytes = CcTalkLink::HexToBytes(text, ok);
    *ok = *ok && text.size() % 2 == 0;
    return bytes;
}

bool validFrame(const QByteArray &b)
{
    return b.size() >= 5 && static_cast<quint8>(b.at(1)) + 5 == b.size() &&
           ccTalkChecksum(b.left(b.size() - 1)) == static_cast<quint8>(b.back());
}
} // namespace

int FrameDecoder::headerOf(const QByteArray &frame)
{
    return frame.size() >= 4 ? static_cast<quint8>(frame.at(3)) : -1;
}

QString FrameDecoder::brokenFrame(const QByteArray &b)
{
    if (b.size() < 5)
        return Msg(914);
    if (static_cast<quint8>(b.at(1)) + 5 != b.size())
        return Msg(915);
    return Msg(916);
}

QString FrameDecoder::decodeLine(const QString &line)
{
    const bool sent = line.startsWith(QLatin1String("-> "));
    if (!sent && !line.startsWith(QLatin1String("<- ")))
        return QString();
    bool ok = false;
    const QByteArray bytes = lineBytes(line, &ok);
    if (!ok) {
        m_pending = Pending();
        return Msg(913);
    }
    return sent ? decodeRequest(bytes) : decodeReply(bytes);
}

QString FrameDecoder::decodeRequest(const QByteArray &b)
{
    m_pending = Pending();
    m_pending.sent = b;
    if (!validFrame(b)) {
        // Boot-monitor bytes go out without a frame.
        if (const HeaderTable::Row *row = m_table.findUnframed(b)) {
            m_pending.row = row;
            m_pending.unframed = true;
            return row->request == HeaderTable::Request::None
                       ? row->name
                       : row->name + QStringLiteral(", ") + byteCount(static_cast<int>(b.size()));
        }
        return brokenFrame(b);
    }
    const int header = headerOf(b);
    const QByteArray data = b.mid(4, b.size() - 5);
    const HeaderTable::Row *row = m_table.find(header, data);
    m_pending.row = row;
    QString text = row ? row->name : Msg(904) + QString::number(header);
    if (static_cast<quint8>(b.at(0)) == 0)
        text += Msg(918);
    if (!row)
        return data.isEmpty() ? text : text + QStringLiteral(": ") + byteCount(static_cast<int>(data.size()));
    const bool hasSub = row->subCode >= 0;
    const QString shown = requestData(*row, hasSub ? data.mid(1) : data, hasSub ? 6 : 5);
    return shown.isEmpty() ? text : text + QStringLiteral(": ") + shown;
}

QString FrameDecoder::requestData(const HeaderTable::Row &row, const QByteArray &data, int firstDataByte)
{
    using R = HeaderTable::Request;
    if (data.isEmpty())
        return QString();
    const int lastDataByte = firstDataByte + static_cast<int>(data.size()) - 1;
    switch (row.request) {
    case R::None:
    case R::Bytes:
        return byteCount(static_cast<int>(data.size()));
    case R::Number:
        return QString::number(littleEndian(data));
    case R::Mask: {
        QStringList masks;
        for (char c : data)
            masks << QStringLiteral("0x") + upperHex(static_cast<quint8>(c), 2);
        return masks.join(QLatin1Char(' '));
    }
    case R::Pin:
        return Msg(905) + digitRange(firstDataByte, lastDataByte);
    case R::Secret:
        return Msg(906) + digitRange(firstDataByte, lastDataByte);
    case R::MemRead:
    case R::MemWrite:
        if (data.size() < 2)
            return byteCount(static_cast<int>(data.size()));
        m_pending.address = (static_cast<quint8>(data.at(0)) << 8) | static_cast<quint8>(data.at(1));
        m_pending.count = row.request == R::MemRead ? (data.size() > 2 ? static_cast<quint8>(data.at(2)) : 0)
                                                    : static_cast<int>(data.size()) - 2;
        return address(m_pending.address) + QStringLiteral(", ") + byteCount(m_pending.count);
    }
    return QString();
}

QString FrameDecoder::decodeReply(const QByteArray &b)
{
    const Pending request = m_pending;
    m_pending = Pending();
    if (request.unframed)
        return replyData(request.row->reply, b);
    if (!validFrame(b))
        return brokenFrame(b);
    const int header = headerOf(b);
    QString text;
    if (header == 0)
        text = Msg(900);
    else if (header == 5)
        text = Msg(901);
    else if (header == 6)
        text = Msg(902);
    else
        text = Msg(903) + QString::number(header);
    const QByteArray data = b.mid(4, b.size() - 5);
    if (data.isEmpty())
        return text;
    HeaderTable::Reply kind = request.row ? request.row->reply : HeaderTable::Reply::Bytes;
    if (header != 0)
        kind = HeaderTable::Reply::Bytes;
    QString shown;
    if (kind == HeaderTable::Reply::Memory && request.address >= 0)
        shown = byteCount(static_cast<int>(data.size())) + Msg(908) + address(request.address);
    else
        shown = replyData(kind, data);
    return text + QStringLiteral(": ") + shown;
}

QString FrameDecoder::replyData(HeaderTable::Reply kind, const QByteArray &data) const
{
    using R = HeaderTable::Reply;
    switch (kind) {
    case R::Text:
        return quotedText(data);
    case R::Number:
        return QString::number(littleEndian(data));
    case R::Date: {
        if (data.size() != 2)
            return byteCount(static_cast<int>(data.size()));
        // This selector sends the high byte first.
        const unsigned code = (static_cast<quint8>(data.at(0)) << 8) | static_cast<quint8>(data.at(1));
        return Msg(921) + QString::number(code & 0x1F) + Msg(922) + QString::number((code >> 5) & 0x0F) +
               Msg(923) + QString::number((code >> 9) & 0x1F);
    }
    case R::Bits: {
        QStringList bits;
        for (char c : data)
            bits << QStringLiteral("%1").arg(static_cast<quint8>(c), 8, 2, QLatin1Char('0'));
        return bits.join(QLatin1Char(' '));
    }
    case R::Events: {
        QString text = Msg(920) + QString::number(static_cast<quint8>(data.at(0)));
        QStringList pairs;
        for (int i = 1; i + 1 < data.size(); i += 2)
            pairs << QStringLiteral("%1/%2")
                         .arg(static_cast<quint8>(data.at(i)))
                         .arg(static_cast<quint8>(data.at(i + 1)));
        return pairs.isEmpty() ? text : text + QStringLiteral("; ") + pairs.join(QLatin1Char(' '));
    }
    case R::Ack:
    case R::Memory:
    case R::Addresses:
    case R::Bytes:
        break;
    }
    return byteCount(static_cast<int>(data.size()));
}

QString FrameDecoder::decodeOutcome(int result, const QByteArray &received)
{
    const Pending request = m_pending;
    m_pending = Pending();
    if (result == 1) {
        // A whole, well-summed frame is refused only because it is not addressed to the host.
        const bool summed =
            received.size() >= 5 && ccTalkChecksum(received.chopped(1)) == quint8(received.back());
        return Msg(summed ? 924 : 912) + hex(received);
    }
    if (result != 2 && result != 255)
        return QString();
    if (received.isEmpty())
        return Msg(909);
    if (!received.startsWith(request.sent))
        return Msg(919) + hex(received);
    const QByteArray behind = received.mid(request.sent.size());
    if (behind.isEmpty())
        return Msg(910);
    // An address poll is answered by bare bytes, one per device, which Transact sees as a time-out.
    if (request.row && request.row->reply == HeaderTable::Reply::Addresses && !request.unframed) {
        QStringList addresses;
        for (char c : behind)
            addresses << QString::number(static_cast<quint8>(c));
        return Msg(917) + addresses.join(QStringLiteral(", "));
    }
    return Msg(911) + hex(behind);
}
