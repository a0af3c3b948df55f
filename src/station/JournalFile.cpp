#include "station/JournalFile.h"

#include "app/Messages.h"

#include <QJsonDocument>
#include <QJsonObject>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
const int kSerial = 2;
const int kResult = 8;

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}
} // namespace

QStringList JournalFile::columns()
{
    return {QStringLiteral("time"),
            QStringLiteral("port"),
            QStringLiteral("serial_number"),
            QStringLiteral("product_code"),
            QStringLiteral("software_revision"),
            QStringLiteral("file"),
            QStringLiteral("blocks_written"),
            QStringLiteral("verified"),
            QStringLiteral("result"),
            QStringLiteral("message"),
            QStringLiteral("duration_ms"),
            QStringLiteral("again")};
}

QStringList JournalFile::fields(const StationRecord &r)
{
    return {timeText(r.time),
            r.port,
            r.serialNumber,
            r.productCode,
            r.softwareRevision,
            r.file,
            QString::number(r.blocksWritten),
            r.verified ? QStringLiteral("yes") : QStringLiteral("no"),
            r.result,
            r.message,
            QString::number(r.durationMs),
            r.again ? QStringLiteral("yes") : QStringLiteral("no")};
}

QByteArray JournalFile::csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (QString f : fields) {
        if (f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n')) ||
            f.contains(QLatin1Char('\r')) || f != f.trimmed())
            f = QLatin1Char('"') + f.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        quoted << f;
    }
    return quoted.join(QLatin1Char(',')).toUtf8() + '\n';
}

QByteArray JournalFile::jsonLine(const StationRecord &r)
{
    const QStringList names = columns();
    const QStringList values = fields(r);
    QJsonObject o;
    for (int i = 0; i < names.size(); ++i)
        o.insert(names.at(i), values.at(i));
    o.insert(QStringLiteral("blocks_written"), r.blocksWritten);
    o.insert(QStringLiteral("verified"), r.verified);
    o.insert(QStringLiteral("duration_ms"), r.durationMs);
    o.insert(QStringLiteral("again"), r.again);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QList<QStringList> JournalFile::csvRecords(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            fields << field;
            records << fields;
            fields.clear();
            field.clear();
        } else if (c != QLatin1Char('\r')) {
            field += c;
        }
    }
    // A last line without its end was cut short: it is no record.
    return records;
}

std::unique_ptr<StationJournal> JournalFile::open(const QString &path, bool json, QString *error)
{
    std::unique_ptr<JournalFile> journal(new JournalFile(path, json));
    if (!journal->m_file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        *error = Msg(1139).arg(path) + QStringLiteral(": ") + journal->m_file.errorString();
        return nullptr;
    }
    if (!journal->readExisting(error))
        return nullptr;
    return journal;
}

bool JournalFile::readExisting(QString *error)
{
    m_file.seek(0);
    const QByteArray text = m_file.readAll();
    QByteArray start;
    if (text.isEmpty()) {
        if (!m_json)
            start = csvLine(columns());
    } else if (!text.endsWith('\n')) {
        // A line cut short by a crash stays alone on its line.
        start = "\n";
    }
    if (m_json) {
        for (const QByteArray &line : text.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value(QStringLiteral("result")).toString() == QLatin1String("passed"))
                m_passed.insert(o.value(QStringLiteral("serial_number")).toString());
        }
        if (!text.isEmpty() && !text.startsWith('{')) {
            *error = Msg(1141).arg(m_file.fileName());
            return false;
        }
    } else if (!text.isEmpty()) {
        const QList<QStringList> records = csvRecords(text);
        if (records.isEmpty() || records.first() != columns()) {
            *error = Msg(1141).arg(m_file.fileName());
            return false;
        }
        for (const QStringList &r : records)
            if (r.size() > kResult && r.at(kResult) == QLatin1String("passed"))
                m_passed.insert(r.at(kSerial));
    }
    if (!start.isEmpty() && (m_file.write(start) != start.size() || !m_file.flush())) {
        *error = Msg(1140).arg(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
        return false;
    }
    return true;
}

bool JournalFile::append(const StationRecord &record, QString *error)
{
    const QByteArray line = m_json ? jsonLine(record) : csvLine(fields(record));
    QMutexLocker lock(&m_mutex);
    bool written = m_file.write(line) == line.size() && m_file.flush();
#ifdef Q_OS_UNIX
    written = written && ::fsync(m_file.handle()) == 0;
#endif
    if (!written) {
        if (error)
            *error = Msg(1140).arg(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
        return false;
    }
    if (record.result == QLatin1String("passed"))
        m_passed.insert(record.serialNumber);
    return true;
}

bool JournalFile::hasPassed(const QString &serialNumber)
{
    QMutexLocker lock(&m_mutex);
    return m_passed.contains(serialNumber);
}
