#include "station/StationJournal.h"

#include "station/JournalFile.h"
#include "station/JournalSql.h"

std::unique_ptr<StationJournal> StationJournal::open(const QString &target, bool json, QString *error)
{
    if (JournalSql::isDatabase(target))
        return JournalSql::open(target, error);
    return JournalFile::open(target, json, error);
}
