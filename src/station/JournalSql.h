#pragma once

#include "station/StationJournal.h"

#include <memory>

// The journal as one table in an SQL database: an SQLite file, or a PostgreSQL server that the
// stations of a line share from several machines. Each record is one transaction; a serial number
// is recorded "passed" once in the whole table, whichever station or machine wrote it.
//
// A Qt SQL connection may only be used by the thread that opened it, and the stations call from
// threads of their own: each journal opens its one connection on a thread of its own, and every
// call is handed to that thread and waited for. Records take milliseconds and selectors seconds,
// so the queue costs the stations nothing.
class JournalSql : public StationJournal
{
public:
    // "postgresql://user@host:port/database[?libpq options]" or an SQLite file path. The password
    // never comes from the address: the file named by RXCONFIG_PGPASSFILE (readable by its owner
    // alone), else what libpq finds itself (PGPASSWORD, PGPASSFILE, ~/.pgpass). Creates the table
    // when it is missing. Null with *error on failure.
    static std::unique_ptr<StationJournal> open(const QString &target, QString *error);

    // True for the targets open() takes: a PostgreSQL address, a path ending in .sqlite or .db.
    static bool isDatabase(const QString &target);

    ~JournalSql() override;

    // False when another station recorded this serial number passed already: *error names it
    // and nothing is stored.
    bool append(const StationRecord &record, QString *error) override;
    bool hasPassed(const QString &serialNumber) override;

private:
    class Connection;
    explicit JournalSql(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> m_connection;
};
