#include "sim/SimLine.h"

#include "sim/SelectorSim.h"
#include "sim/SimBus.h"

#include <memory>

QString SimLine::grammar()
{
    return QStringLiteral(
        "  next [serial N] [type XXXX] [erased|default]\n"
        "                               replace the selector by a fresh one: serial N (else the last\n"
        "                               one plus 1), type XXXX (else the same), erased or default\n"
        "                               memory (default); address, PIN, masks and identity texts\n"
        "                               carry over, faults do not; pulled stays pulled; --state\n"
        "                               keeps the new selector from now on\n"
        "                               -> OK serial=N type=XXXX memory=erased|default\n"
        "  pull | plug                  the selector leaves the bus (silence) / comes back\n");
}

bool SimLine::control(SimBus *bus, const QStringList &w, QString &reply)
{
    const QString cmd = w.value(0).toLower();
    SelectorSim *old = bus ? bus->selector(0) : nullptr;
    if (!old)
        return false;
    if (w.size() == 1 && (cmd == QLatin1String("pull") || cmd == QLatin1String("plug"))) {
        old->setUnplugged(cmd == QLatin1String("pull"));
        reply = QStringLiteral("OK");
        return true;
    }
    if (cmd != QLatin1String("next"))
        return false;

    SelectorSim::Identity identity = old->identity();
    identity.serialNumber = (identity.serialNumber + 1) & 0xFFFFFF;
    bool erased = false;
    for (int i = 1; i < w.size(); ++i) {
        const QString word = w.at(i).toLower();
        if (word == QLatin1String("erased") || word == QLatin1String("default")) {
            erased = word == QLatin1String("erased");
        } else if (word == QLatin1String("serial") && i + 1 < w.size()) {
            bool ok = false;
            const uint serial = w.at(++i).toUInt(&ok);
            if (!ok || serial > 0xFFFFFF) {
                reply = QStringLiteral("ERR serial is 0..16777215");
                return true;
            }
            identity.serialNumber = serial;
        } else if (word == QLatin1String("type") && i + 1 < w.size() && w.at(i + 1).size() == 4) {
            identity.deviceType = w.at(++i).toLatin1();
        } else {
            reply = QStringLiteral("ERR usage: next [serial N] [type XXXX] [erased|default]");
            return true;
        }
    }
    auto fresh = std::make_unique<SelectorSim>(erased);
    fresh->identity() = identity;
    fresh->setAddress(old->address());
    fresh->setPin(old->pin());
    fresh->setFactoryPassword(old->factoryPassword());
    fresh->setMasks(old->masks());
    fresh->setMonitorBaud(old->monitorBaud());
    fresh->setUnplugged(old->unplugged());
    bus->replaceSelector(0, std::move(fresh));
    reply = QStringLiteral("OK serial=%1 type=%2 memory=%3")
                .arg(identity.serialNumber)
                .arg(QString::fromLatin1(identity.deviceType),
                     erased ? QStringLiteral("erased") : QStringLiteral("default"));
    return true;
}
