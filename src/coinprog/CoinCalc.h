#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

// The arithmetic of coin programming without any device: the sample line text, the centre
// and tolerance of each measured parameter, and the values rx30.ini contributes.
class CoinCalc
{
public:
    static constexpr int ParameterCount = 6; // AM1, PH1, AM2, PH2, PI3, DIM
    enum Preset { High = 0, Middle = 1, Low = 2 };
    using Sample = std::array<int, ParameterCount>;
    using Addends = std::array<int, ParameterCount>;

    static QStringList parameterNames();
    static double multiplier(int preset);

    // Six right-aligned three-character fields, each followed by a space.
    static QString sampleLine(const Sample &values);
    // The numbers at character positions 1-3, 5-7, ... 21-23; false when a field is not one.
    static bool parseLine(const QString &line, Sample &values);

    // Nearest integer, halves to the even neighbour.
    static int roundHalfEven(double value);

    struct Result
    {
        Sample centre{};
        Sample tolerance{};
    };
    // Centre = rounded mean; tolerance = addend + rounded (sample deviation x multiplier),
    // held at 255 when the sum does not fit a byte. Needs at least one sample.
    static Result compute(const QList<Sample> &samples, int preset, const Addends &addends);

    // MIN_INSERTION of "COIN PROG" as hexadecimal; 0 without the file, 15 for a value that is
    // not hexadecimal digits (the default the key itself has).
    static int minimumSamples(const QString &iniPath);
    // The section of a database version: "BASE_" and the version in decimal digits.
    static QString baseSection(int databaseVersion);
    // AM1_ADD .. DIM_ADD of that section, decimal; a missing or non-numeric value is 0, a value
    // outside 0..255 is held at the nearer end.
    static Addends addends(const QString &iniPath, int databaseVersion);
};
