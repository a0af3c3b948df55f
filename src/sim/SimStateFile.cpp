#include "sim/SimStateFile.h"

#include "sim/SelectorSim.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace {

bool strictHex(const QString &text, int bytes, QByteArray &out)
{
    if (text.size() != 2 * bytes)
        return false;
    for (QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    out = QByteArray::fromHex(text.toLatin1());
    return true;
}

bool setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool SimStateFile::load(const QString &path, SelectorSim &sim, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return setError(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));

    // Parse into a copy first: a bad line must not leave a half-loaded selector.
    SelectorSim::Identity id = sim.identity();
    quint8 address = sim.address();
    QByteArray pin = sim.pin();
    QByteArray password = sim.factoryPassword();
    QByteArray image = sim.nvImage();
    int monitorBaud = sim.monitorBaud();

    int lineNo = 0;
    while (!file.atEnd()) {
        const QString raw = QString::fromUtf8(file.readLine());
        ++lineNo;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return setError(error, QStringLiteral("%1:%2: expected key=value").arg(path).arg(lineNo));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        const QByteArray text = value.toLatin1();
        auto bad = [&] {
            return setError(error, QStringLiteral("%1:%2: bad value for %3").arg(path).arg(lineNo).arg(key));
        };
        bool ok = true;
        QByteArray bytes;
        if (key == QLatin1String("address")) {
            const uint v = value.toUInt(&ok);
            if (!ok || v < 2 || v > 255)
                return bad();
            address = quint8(v);
        } else if (key == QLatin1String("pin")) {
            if (!strictHex(value, 4, pin))
                return bad();
        } else if (key == QLatin1String("factory-password")) {
            if (!strictHex(value, 6, password))
                return bad();
        } else if (key == QLatin1String("manufacturer")) {
            id.manufacturer = text;
        } else if (key == QLatin1String("type")) {
            if (text.size() != 4)
                return bad();
            id.deviceType = text;
        } else if (key == QLatin1String("product-code")) {
            id.productCode = text;
        } else if (key == QLatin1String("build-code")) {
            id.buildCode = text;
        } else if (key == QLatin1String("revision")) {
            id.softwareRevision = text;
        } else if (key == QLatin1String("base-year")) {
            id.baseYear = text;
        } else if (key == QLatin1String("serial")) {
            const uint v = value.toUInt(&ok);
            if (!ok || v > 0xFFFFFF)
                return bad();
            id.serialNumber = v;
        } else if (key == QLatin1String("creation-date") || key == QLatin1String("modification-date")) {
            if (!strictHex(value, 2, bytes))
                return bad();
            const quint16 code = quint16((quint8(bytes.at(0)) << 8) | quint8(bytes.at(1)));
            (key.startsWith(QLatin1Char('c')) ? id.creationDate : id.modificationDate) = code;
        } else if (key == QLatin1String("database-version")) {
            const uint v = value.toUInt(&ok);
            if (!ok || v > 255)
                return bad();
            id.databaseVersion = quint8(v);
        } else if (key == QLatin1String("monitor-identity")) {
            if (!value.isEmpty() && !strictHex(value, 9, bytes))
                return bad();
            id.monitorIdentity = value.isEmpty() ? QByteArray() : bytes;
        } else if (key == QLatin1String("monitor-baud")) {
            const int v = value.toInt(&ok);
            if (!ok || (v != 9600 && v != 38400))
                return bad();
            monitorBaud = v;
        } else if (key.startsWith(QLatin1String("memory."))) {
            const int at = key.mid(7).toInt(&ok, 16);
            if (!ok || at < SelectorSim::MemoryStart || at + 16 > SelectorSim::MemoryEnd || (at & 0xF) != 0 ||
                !strictHex(value, 16, bytes))
                return bad();
            image.replace(at - SelectorSim::MemoryStart, 16, bytes);
        } else {
            return setError(error, QStringLiteral("%1:%2: unknown key %3").arg(path).arg(lineNo).arg(key));
        }
    }

    sim.identity() = id;
    sim.setAddress(address);
    sim.setPin(pin);
    sim.setFactoryPassword(password);
    sim.setMonitorBaud(monitorBaud);
    sim.setNvImage(image);
    return true;
}

bool SimStateFile::save(const QString &path, const SelectorSim &sim, QString *error)
{
    QSaveFile file(path);
    // The PIN and the factory password are in it: the owner's alone, before anything is written.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return setError(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    const SelectorSim::Identity &id = sim.identity();
    QTextStream out(&file);
    auto hex = [](const QByteArray &b) { return QString::fromLatin1(b.toHex().toUpper()); };
    out << "# rxsim selector state: identity, address, secrets and non-volatile memory\n";
    out << "address=" << sim.address() << '\n';
    out << "pin=" << hex(sim.pin()) << '\n';
    out << "factory-password=" << hex(sim.factoryPassword()) << '\n';
    out << "manufacturer=" << QString::fromLatin1(id.manufacturer) << '\n';
    out << "type=" << QString::fromLatin1(id.deviceType) << '\n';
    out << "product-code=" << QString::fromLatin1(id.productCode) << '\n';
    out << "serial=" << id.serialNumber << '\n';
    out << "build-code=" << QString::fromLatin1(id.buildCode) << '\n';
    out << "revision=" << QString::fromLatin1(id.softwareRevision) << '\n';
    out << "creation-date=" << QStringLiteral("%1").arg(id.creationDate, 4, 16, QLatin1Char('0')).toUpper()
        << '\n';
    out << "modification-date="
        << QStringLiteral("%1").arg(id.modificationDate, 4, 16, QLatin1Char('0')).toUpper() << '\n';
    out << "base-year=" << QString::fromLatin1(id.baseYear) << '\n';
    out << "database-version=" << id.databaseVersion << '\n';
    out << "monitor-identity=" << hex(id.monitorIdentity) << '\n';
    out << "monitor-baud=" << sim.monitorBaud() << '\n';
    const QByteArray image = sim.nvImage();
    for (int at = 0; at < image.size(); at += 16)
        out << "memory."
            << QStringLiteral("%1").arg(SelectorSim::MemoryStart + at, 4, 16, QLatin1Char('0')).toUpper()
            << '=' << hex(image.mid(at, 16)) << '\n';
    out.flush();
    if (!file.commit())
        return setError(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}
