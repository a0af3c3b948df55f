#include "device/DeviceIdentity.h"

#include "app/Messages.h"

QList<QPair<QString, QString>> DeviceIdentity::panelLines() const
{
    return {
        {Msg(215).trimmed(), productCode},    {Msg(242).trimmed(), serialNumber},
        {Msg(48).trimmed(), buildCode},       {Msg(246).trimmed(), softwareRevision},
        {Msg(216).trimmed(), productionDate}, {Msg(172).trimmed(), modificationDate},
    };
}
