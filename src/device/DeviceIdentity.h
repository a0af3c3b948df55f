#pragma once

#include <QList>
#include <QPair>
#include <QString>

// What the device information panel shows of the selector identified last. A field whose
// request failed stays empty.
struct DeviceIdentity
{
    QString productCode;
    QString serialNumber;
    QString buildCode;
    QString softwareRevision;
    QString productionDate;
    QString modificationDate;

    void clear() { *this = DeviceIdentity(); }
    // The panel's captions (trimmed) with their values, in the panel's order.
    QList<QPair<QString, QString>> panelLines() const;
};
