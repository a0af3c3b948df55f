#include "stats/XLSfile.h"

#include <QSaveFile>

namespace {

void putWord(QByteArray &out, quint16 value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

QByteArray words(std::initializer_list<quint16> values)
{
    QByteArray out;
    for (quint16 v : values)
        putWord(out, v);
    return out;
}

} // namespace

TXLSfile::TXLSfile()
{
    Clear();
}

void TXLSfile::Clear()
{
    m_records.clear();
    m_records.append(Record{BofType, words({0x0000, 0x0010, 0x0000})});
    m_records.append(Record{DimensionType, words({0, 1000, 0, 100})});
}

QByteArray TXLSfile::cellHead(int column, int row)
{
    QByteArray body;
    putWord(body, static_cast<quint16>(row - 1));
    putWord(body, static_cast<quint16>(column - 1));
    body += QByteArray(3, '\0'); // no attributes
    return body;
}

void TXLSfile::AddStrCell(int column, int row, const QString &text)
{
    QByteArray body = cellHead(column, row);
    const QByteArray bytes = text.toLatin1().left(255);
    body.append(static_cast<char>(bytes.size()));
    body += bytes;
    m_records.append(Record{StrCellType, body});
}

void TXLSfile::AddWordCell(int column, int row, quint16 value)
{
    QByteArray body = cellHead(column, row);
    putWord(body, value);
    m_records.append(Record{WordCellType, body});
}

QByteArray TXLSfile::bytes() const
{
    QByteArray out;
    for (const Record &r : m_records) {
        putWord(out, r.type);
        putWord(out, static_cast<quint16>(r.body.size()));
        out += r.body;
    }
    putWord(out, EofType);
    putWord(out, 0);
    return out;
}

bool TXLSfile::Write()
{
    m_error.clear();
    const QByteArray content = bytes();
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        m_error = QStringLiteral("%1: %2").arg(FileName, file.errorString());
        return false;
    }
    return true;
}
