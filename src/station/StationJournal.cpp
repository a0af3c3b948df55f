#include "station/StationJournal.h"

#include "app/Messages.h"
#include "station/JournalFile.h"

std::unique_ptr<StationJournal> StationJournal::open(const QString &target, bool json, QString *error)
{
    const QString lower = target.toLower();
    if (lower.startsWith(QLatin1String("postgresql://")) || lower.endsWith(QLatin1String(".sqlite")) ||
        lower.endsWith(QLatin1String(".db"))) {
        // Until the SQL journal is part of the build: return JournalSql::open(target, error);
        *error = Msg(1138).arg(target);
        return nullptr;
    }
    return JournalFile::open(target, json, error);
}
