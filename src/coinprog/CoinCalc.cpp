#include "coinprog/CoinCalc.h"

#include "config/IniFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>

QStringList CoinCalc::parameterNames()
{
    return {QStringLiteral("AM1"), QStringLiteral("PH1"), QStringLiteral("AM2"),
            QStringLiteral("PH2"), QStringLiteral("PI3"), QStringLiteral("DIM")};
}

double CoinCalc::multiplier(int preset)
{
    switch (preset) {
    case High:
        return 2.53;
    case Low:
        return 1.3;
    default:
        return 1.96;
    }
}

QString CoinCalc::sampleLine(const Sample &values)
{
    QString line;
    for (int v : values)
        line += QStringLiteral("%1 ").arg(v, 3);
    return line;
}

bool CoinCalc::parseLine(const QString &line, Sample &values)
{
    for (int k = 0; k < ParameterCount; ++k) {
        bool ok = false;
        const int v = line.mid(4 * k, 3).trimmed().toInt(&ok, 10);
        if (!ok || v < 0 || v > 255)
            return false;
        values[size_t(k)] = v;
    }
    return true;
}

int CoinCalc::roundHalfEven(double value)
{
    // std::nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(value));
}

CoinCalc::Result CoinCalc::compute(const QList<Sample> &samples, int preset, const Addends &addends)
{
    Result r;
    const int n = samples.size();
    if (n == 0)
        return r;
    const double f = multiplier(preset);
    for (size_t k = 0; k < ParameterCount; ++k) {
        double sum = 0;
        for (const Sample &s : samples)
            sum += s[k];
        const double mean = sum / n;
        double s = 0;
        if (n > 1) {
            double squares = 0;
            for (const Sample &x : samples)
                squares += (x[k] - mean) * (x[k] - mean);
            s = std::sqrt(squares / (n - 1));
        }
        r.centre[k] = qBound(0, roundHalfEven(mean), 255);
        // A window wider than a byte holds the widest window, never a wrapped narrow one.
        r.tolerance[k] = qBound(0, addends[k] + roundHalfEven(s * f), 255);
    }
    return r;
}

int CoinCalc::minimumSamples(const QString &iniPath)
{
    if (!QFileInfo::exists(iniPath))
        return 0;
    const IniFile ini(iniPath);
    const QString text =
        ini.readValue(QStringLiteral("COIN PROG"), QStringLiteral("MIN_INSERTION"), QStringLiteral("0F"));
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{1,6}$"));
    if (!hex.match(text).hasMatch())
        return 15;
    return text.toInt(nullptr, 16);
}

QString CoinCalc::baseSection(int databaseVersion)
{
    return QStringLiteral("BASE_") + QString::number(databaseVersion);
}

CoinCalc::Addends CoinCalc::addends(const QString &iniPath, int databaseVersion)
{
    Addends a{};
    if (!QFileInfo::exists(iniPath))
        return a;
    const IniFile ini(iniPath);
    const QStringList names = parameterNames();
    for (int k = 0; k < ParameterCount; ++k) {
        bool ok = false;
        const qlonglong v = ini.readValue(baseSection(databaseVersion), names[k] + QStringLiteral("_ADD"),
                                          QStringLiteral("0"))
                                .toLongLong(&ok, 10);
        a[size_t(k)] = ok ? int(qBound(qlonglong(0), v, qlonglong(255))) : 0;
    }
    return a;
}
