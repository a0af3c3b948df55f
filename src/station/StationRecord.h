#pragma once

#include <QDateTime>
#include <QString>

// One selector's line in a production station's journal: what was plugged, what it got, how it ended.
struct StationRecord
{
    QDateTime time;           // when the work on this selector ended, UTC
    QString port;             // the station's port
    QString serialNumber;     // decimal, as identify shows it; empty when the selector never identified
    QString productCode;
    QString softwareRevision;
    QString file;             // the configuration file, absolute path
    int blocksWritten = 0;
    bool verified = false;    // every written block read back and equal
    bool again = false;       // the journal held a pass for it and the operator asked to configure it again
    QString result;           // "passed", "failed", "refused" or "skipped"; stable whatever the language
    QString message;          // why, in the operator's language; empty when passed
    qint64 durationMs = 0;    // from identification to verdict
};
