#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The limits and targets of the factory test for one device type, as read from
// Production.ini: one section per type, values in hexadecimal without prefix. A missing
// key, or a value that is not hexadecimal or does not fit its width, reads as its default.
struct ProductionLimits
{
    enum Analog { AM1, PH1, AM2, PH2, PI3, V, T, AnalogCount };
    static constexpr int Parameters = 6; // AM1, PH1, AM2, PH2, PI3, DIM

    std::array<int, Parameters> targets{};
    int maxError = 0;
    int minInsertion = 0;
    int minDelta = 0;
    int sw1 = 0;
    int sw2 = 0;
    int reg1Min = 0, reg1Max = 0; // 16 bit
    int reg2Min = 0, reg2Max = 0;
    std::array<int, AnalogCount> analogMin{};
    std::array<int, AnalogCount> analogMax{};
    std::array<int, Parameters> err{{5, 5, 5, 5, 5, 5}};
};

namespace ProductionIni {

// Names of the calibration parameters, in the order of targets and err.
extern const char *const ParameterNames[ProductionLimits::Parameters];

QStringList sections(const QString &path);
ProductionLimits read(const QString &path, const QString &section);

} // namespace ProductionIni
