#include "link/HeaderTable.h"

#include <QDir>
#include <QFile>
#include <QHash>

const QString HeaderTable::FileName = QStringLiteral("cctalk-headers.txt");

static void initHeaderResources()
{
    Q_INIT_RESOURCE(cctalk);
}

namespace {
const QHash<QString, HeaderTable::Request> &requestKinds()
{
    using R = HeaderTable::Request;
    static const QHash<QString, R> kinds = {
        {QStringLiteral("none"), R::None},         {QStringLiteral("number"), R::Number},
        {QStringLiteral("mask"), R::Mask},         {QStringLiteral("pin"), R::Pin},
        {QStringLiteral("secret"), R::Secret},     {QStringLiteral("memread"), R::MemRead},
        {QStringLiteral("memwrite"), R::MemWrite}, {QStringLiteral("bytes"), R::Bytes},
    };
    return kinds;
}

const QHash<QString, HeaderTable::Reply> &replyKinds()
{
    using R = HeaderTable::Reply;
    static const QHash<QString, R> kinds = {
        {QStringLiteral("ack"), R::Ack},       {QStringLiteral("text"), R::Text},
        {QStringLiteral("number"), R::Number}, {QStringLiteral("date"), R::Date},
        {QStringLiteral("bits"), R::Bits},     {QStringLiteral("events"), R::Events},
        {QStringLiteral("memory"), R::Memory}, {QStringLiteral("addresses"), R::Addresses},
        {QStringLiteral("bytes"), R::Bytes},
    };
    return kinds;
}

QString readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}
} // namespace

HeaderTable HeaderTable::load(const QString &programDir)
{
    QString text;
    if (!programDir.isEmpty())
        text = readAll(QDir(programDir).filePath(FileName));
    if (text.isEmpty()) {
        initHeaderResources();
        text = readAll(QStringLiteral(":/cctalk/") + FileName);
    }
    return parse(text);
}

HeaderTable HeaderTable::parse(const QString &text)
{
    HeaderTable t;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cols = line.split(QLatin1Char('\t'));
        Row row;
        bool ok = cols.size() == 5 && !cols.at(4).trimmed().isEmpty();
        if (ok) {
            const QString header = cols.at(0).trimmed();
            const QString sub = cols.at(1).trimmed();
            const bool unframed = header == QLatin1String("unframed");
            row.header = unframed ? Unframed : header.toInt(&ok, 10);
            ok = ok && row.header >= Unframed && row.header <= 255;
            if (ok && sub != QLatin1String("-"))
                row.subCode = sub.toInt(&ok, unframed ? 16 : 10);
            ok = ok && row.subCode >= -1 && row.subCode <= 255 && (!unframed || row.subCode >= 0);
            ok = ok && requestKinds().contains(cols.at(2).trimmed()) &&
                 replyKinds().contains(cols.at(3).trimmed());
        }
        if (!ok) {
            ++t.m_skipped;
            continue;
        }
        row.request = requestKinds().value(cols.at(2).trimmed());
        row.reply = replyKinds().value(cols.at(3).trimmed());
        row.name = cols.at(4).trimmed();
        t.m_rows.append(row);
    }
    return t;
}

const HeaderTable::Row *HeaderTable::match(int header, int subCode, bool noFurtherData) const
{
    const Row *first = nullptr;
    for (const Row &r : m_rows) {
        if (r.header != header || r.subCode != subCode)
            continue;
        if (r.request != Request::None || noFurtherData)
            return &r;
        if (!first)
            first = &r;
    }
    return first;
}

const HeaderTable::Row *HeaderTable::find(int header, const QByteArray &data) const
{
    // Only the maker-specific header carries a sub-code; a 255 without data is the header itself.
    if (header == 255 && !data.isEmpty()) {
        if (const Row *r = match(255, static_cast<quint8>(data.at(0)), data.size() == 1))
            return r;
    }
    return match(header, -1, data.isEmpty());
}

const HeaderTable::Row *HeaderTable::findUnframed(const QByteArray &bytes) const
{
    if (bytes.isEmpty())
        return nullptr;
    return match(Unframed, static_cast<quint8>(bytes.at(0)), bytes.size() == 1);
}
