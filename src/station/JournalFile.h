#pragma once

#include "station/StationJournal.h"

#include <QFile>
#include <QMutex>
#include <QSet>
#include <QStringList>

// The journal as a text file: CSV with a header line, or JSON Lines. Each record is one line,
// written with a single append and forced to the disk before append() returns, so a station
// killed at any moment leaves whole lines up to its last verdict.
class JournalFile : public StationJournal
{
public:
    static std::unique_ptr<StationJournal> open(const QString &path, bool json, QString *error);

    bool append(const StationRecord &record, QString *error) override;
    bool hasPassed(const QString &serialNumber) override;

    // The column names, in the order of the CSV fields and of the JSON members.
    static QStringList columns();
    static QByteArray csvLine(const QStringList &fields);
    static QByteArray jsonLine(const StationRecord &record);
    static QStringList fields(const StationRecord &record);
    // The records of a CSV text (header included) as their fields; quoted commas, quotes and
    // line breaks are kept in their field.
    static QList<QStringList> csvRecords(const QByteArray &text);

private:
    JournalFile(const QString &path, bool json) : m_file(path), m_json(json) {}
    bool readExisting(QString *error);

    QMutex m_mutex;
    QFile m_file;
    bool m_json;
    QSet<QString> m_passed;
};
