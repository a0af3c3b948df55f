#include "diag/ProductionIni.h"

#include "config/IniFile.h"

namespace ProductionIni {

const char *const ParameterNames[ProductionLimits::Parameters] = {"AM1", "PH1", "AM2", "PH2", "PI3", "DIM"};

namespace {
const char *const AnalogKeys[ProductionLimits::AnalogCount] = {"AM1", "PH1", "AM2", "PH2", "PI3", "V", "T"};

int value(const IniFile &ini, const QString &section, const QString &key, int bits, int def)
{
    const QString text = ini.readValue(section, key);
    if (text.isEmpty())
        return def;
    bool ok = false;
    const uint v = text.toUInt(&ok, 16);
    // A value wider than its key would be cut to something nobody wrote: take the default.
    if (!ok || v >= (1u << bits))
        return def;
    return int(v);
}
} // namespace

QStringList sections(const QString &path)
{
    return IniFile(path).sections();
}

ProductionLimits read(const QString &path, const QString &section)
{
    const IniFile ini(path);
    auto get = [&](const QString &key, int bits, int def) { return value(ini, section, key, bits, def); };
    ProductionLimits l;
    for (int i = 0; i < ProductionLimits::Parameters; ++i) {
        const QString name = QString::fromLatin1(ParameterNames[i]);
        l.targets[size_t(i)] = get(name, 8, 0);
        l.err[size_t(i)] = get(name + QStringLiteral("_ERR"), 8, 5);
    }
    l.maxError = get(QStringLiteral("MAX_ERROR"), 8, 0);
    l.minInsertion = get(QStringLiteral("MIN_INSERTION"), 8, 0);
    l.minDelta = get(QStringLiteral("MIN_DELTA"), 8, 0);
    l.sw1 = get(QStringLiteral("SW1"), 8, 0);
    l.sw2 = get(QStringLiteral("SW2"), 8, 0);
    l.reg1Min = get(QStringLiteral("TPM1C3V_MIN"), 16, 0);
    l.reg1Max = get(QStringLiteral("TPM1C3V_MAX"), 16, 0);
    l.reg2Min = get(QStringLiteral("TPM1C4V_MIN"), 16, 0);
    l.reg2Max = get(QStringLiteral("TPM1C4V_MAX"), 16, 0);
    for (int i = 0; i < ProductionLimits::AnalogCount; ++i) {
        const QString name = QString::fromLatin1(AnalogKeys[i]);
        l.analogMin[size_t(i)] = get(name + QStringLiteral("_MIN"), 8, 0);
        l.analogMax[size_t(i)] = get(name + QStringLiteral("_MAX"), 8, 0);
    }
    return l;
}

} // namespace ProductionIni
