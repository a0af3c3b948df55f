#pragma once

#include "station/StationRecord.h"

#include <QString>
#include <memory>

// Where a station records each selector. Several stations (one per port, each on its own thread)
// share one journal: implementations serialise calls themselves and accept calls from any thread.
class StationJournal
{
public:
    virtual ~StationJournal() = default;

    // Records one selector durably (flushed, or committed in one transaction) before returning, so a
    // station killed afterwards loses nothing and one killed meanwhile leaves no half record.
    virtual bool append(const StationRecord &record, QString *error) = 0;

    // True when a "passed" record for this serial number is already there: that selector was
    // configured before and is skipped unless the operator asks again.
    virtual bool hasPassed(const QString &serialNumber) = 0;

    // target "postgresql://…" is a PostgreSQL table, a path ending in ".sqlite" or ".db" an SQLite
    // file, anything else a text file: CSV, or JSON Lines when json. Null with *error on failure.
    static std::unique_ptr<StationJournal> open(const QString &target, bool json, QString *error);
};
