#include "SimOptions.h"

#include "sim/SelectorSim.h"
#include "sim/SimControl.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

namespace {

const char *const SelectorOptions[][3] = {
    {"address", "N", "ccTalk address 2..255 (default 2)"},
    {"type", "XXXX", "device type, 4 characters (default RX30)"},
    {"manufacturer", "T", "manufacturer id (default Marvesti)"},
    {"serial", "N", "serial number 0..16777215 (default 1234567)"},
    {"product-code", "T", "product code text"},
    {"build-code", "T", "build code text"},
    {"revision", "T", "software revision text"},
    {"creation-date", "HEX4", "creation date code, 4 hex digits"},
    {"modification-date", "HEX4", "last modification date code, 4 hex digits"},
    {"base-year", "N", "base year, 4 digits (default 2000)"},
    {"database-version", "N", "database version 0..255"},
    {"masks", "HEX8",
     "protection masks at 0x0774: factory read, factory write, PIN read, PIN write (default FFFFFFFF, all "
     "open)"},
    {"pin", "HEX8", "PIN, 8 hex digits (default 00000000)"},
    {"factory-password", "HEX12", "factory password, 12 hex digits (default 123456789ABC)"},
    {"monitor-identity", "HEX18", "9-byte boot monitor identity (default type + \"BOOT1\")"},
    {"monitor-baud", "RATE", "boot monitor rate, 9600 or 38400 (default 9600)"},
};

bool hexOf(const QString &text, int bytes, QByteArray &out)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]*$"));
    if (text.size() != 2 * bytes || !re.match(text).hasMatch())
        return false;
    out = QByteArray::fromHex(text.toLatin1());
    return true;
}

} // namespace

bool SimOptions::parse(const QStringList &arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Simulated RX20/RX30 coin selector on a pseudo-terminal.\n"
                       "Prints the pty slave path as the first line of stdout and runs until killed "
                       "or told to quit.\n\n") +
        SimControl::grammar());
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    p.addOption(help);
    const QCommandLineOption version = p.addVersionOption();
    p.addOption({QStringLiteral("link"), QStringLiteral("Also make a symbolic link PATH to the pty slave."),
                 QStringLiteral("PATH")});
    for (const auto &o : SelectorOptions)
        p.addOption({QString::fromLatin1(o[0]), QString::fromLatin1(o[2]), QString::fromLatin1(o[1])});
    p.addOption({QStringLiteral("monitor"), QStringLiteral("Start in the boot monitor.")});
    p.addOption({QStringLiteral("erased"), QStringLiteral("Start with erased (all 0xFF) memory.")});
    p.addOption({QStringLiteral("state"),
                 QStringLiteral("Load identity, address, PIN and non-volatile memory from FILE (if it "
                                "exists) and write them back on every commit, address change, PIN change "
                                "and firmware load. Lines are key=value: address, pin, factory-password, "
                                "manufacturer, type, product-code, serial, build-code, revision, "
                                "creation-date, modification-date, base-year, database-version, "
                                "monitor-identity, monitor-baud, and memory.ADDR=32 hex digits for each 16 "
                                "bytes from 0600 to 0830."),
                 QStringLiteral("FILE")});
    p.addOption({QStringLiteral("pace"), QStringLiteral("Deliver bytes at wire speed (10 bits per byte).")});
    p.addOption({QStringLiteral("control"),
                 QStringLiteral("Listen for control commands on local socket SOCKET."),
                 QStringLiteral("SOCKET")});

    if (!p.parse(arguments)) {
        message = p.errorText() + QStringLiteral("\nTry rxsim --help.");
        return false;
    }
    if (p.isSet(help) || p.isSet(version)) {
        message = p.isSet(help) ? p.helpText()
                                : QStringLiteral("rxsim %1\n").arg(QCoreApplication::applicationVersion());
        exitNow = true;
        return true;
    }
    if (!p.positionalArguments().isEmpty()) {
        message =
            QStringLiteral("unexpected argument %1\nTry rxsim --help.").arg(p.positionalArguments().first());
        return false;
    }
    link = p.value(QStringLiteral("link"));
    state = p.value(QStringLiteral("state"));
    control = p.value(QStringLiteral("control"));
    erased = p.isSet(QStringLiteral("erased"));
    pace = p.isSet(QStringLiteral("pace"));
    for (const auto &o : SelectorOptions) {
        const QString name = QString::fromLatin1(o[0]);
        if (p.isSet(name))
            m_sets.append({name, p.value(name)});
    }
    if (p.isSet(QStringLiteral("monitor")))
        m_sets.append({QStringLiteral("monitor"), QString()});
    // Check the values now, on a scratch selector, so that errors come before the pty exists.
    SelectorSim scratch;
    return apply(scratch, &message);
}

bool SimOptions::apply(SelectorSim &sim, QString *error) const
{
    SelectorSim::Identity &id = sim.identity();
    for (const Set &s : m_sets) {
        bool ok = true;
        QByteArray b;
        const QByteArray text = s.value.toLatin1();
        // Identity texts travel as ccTalk ASCII and as lines of the state file.
        for (QChar c : s.value)
            ok = ok && c.unicode() >= 0x20 && c.unicode() < 0x7F;
        if (s.name == QLatin1String("address")) {
            const uint v = s.value.toUInt(&ok);
            ok = ok && v >= 2 && v <= 255;
            if (ok)
                sim.setAddress(quint8(v));
        } else if (s.name == QLatin1String("type")) {
            ok = ok && text.size() == 4;
            id.deviceType = text;
        } else if (s.name == QLatin1String("manufacturer")) {
            id.manufacturer = text;
        } else if (s.name == QLatin1String("serial")) {
            const uint v = s.value.toUInt(&ok);
            ok = ok && v <= 0xFFFFFF;
            id.serialNumber = v;
        } else if (s.name == QLatin1String("product-code")) {
            id.productCode = text;
        } else if (s.name == QLatin1String("build-code")) {
            id.buildCode = text;
        } else if (s.name == QLatin1String("revision")) {
            id.softwareRevision = text;
        } else if (s.name == QLatin1String("creation-date") || s.name == QLatin1String("modification-date")) {
            ok = hexOf(s.value, 2, b);
            if (ok)
                (s.name.startsWith(QLatin1Char('c')) ? id.creationDate : id.modificationDate) =
                    quint16((quint8(b.at(0)) << 8) | quint8(b.at(1)));
        } else if (s.name == QLatin1String("base-year")) {
            static const QRegularExpression digits(QStringLiteral("^[0-9]{4}$"));
            ok = digits.match(s.value).hasMatch();
            id.baseYear = text;
        } else if (s.name == QLatin1String("database-version")) {
            const uint v = s.value.toUInt(&ok);
            ok = ok && v <= 255;
            id.databaseVersion = quint8(v);
        } else if (s.name == QLatin1String("masks")) {
            ok = hexOf(s.value, 4, b);
            if (ok)
                sim.setMasks(b);
        } else if (s.name == QLatin1String("pin")) {
            ok = hexOf(s.value, 4, b);
            if (ok)
                sim.setPin(b);
        } else if (s.name == QLatin1String("factory-password")) {
            ok = hexOf(s.value, 6, b);
            if (ok)
                sim.setFactoryPassword(b);
        } else if (s.name == QLatin1String("monitor-identity")) {
            ok = hexOf(s.value, 9, b);
            id.monitorIdentity = b;
        } else if (s.name == QLatin1String("monitor-baud")) {
            const int v = s.value.toInt(&ok);
            ok = ok && (v == 9600 || v == 38400);
            sim.setMonitorBaud(v);
        } else if (s.name == QLatin1String("monitor")) {
            sim.enterMonitor();
        }
        if (!ok) {
            *error = QStringLiteral("bad value for --%1: %2").arg(s.name, s.value);
            return false;
        }
    }
    return true;
}
