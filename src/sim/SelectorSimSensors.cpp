#include "sim/SelectorSim.h"
#include "sim/SimBytes.h"

// Sensors and actuators: input lines, optical sensors, analog readings, outputs and solenoids.

namespace {

constexpr int AnalogSize = 11;

using SimBytes::u8;

} // namespace

bool SelectorSim::answerSensors(quint8 header, const QByteArray &data, QByteArray &out)
{
    switch (header) {
    case 240: // test solenoids
    case 238: // test output lines
    case 233: // latch output lines
        if (data.size() != 1) {
            out = nak();
            return true;
        }
        if (header == 240) {
            m_outputs.solenoidMask = u8(data, 0);
            ++m_outputs.solenoidCount;
        } else if (header == 238) {
            m_outputs.pulsedOutputs = u8(data, 0);
            ++m_outputs.pulseCount;
        } else {
            m_outputs.latchedOutputs = u8(data, 0);
            ++m_outputs.latchCount;
        }
        out = ack();
        return true;
    case 237:
        out = ack(wiredInputs());
        return true;
    case 236:
        out = ack(QByteArray(1, char(m_opto)));
        return true;
    default:
        break;
    }
    if (subCode(header, data) == 4) { // analog readings
        out = ack(m_analog);
        return true;
    }
    return false;
}

void SelectorSim::setAnalog(const QByteArray &elevenBytes)
{
    if (elevenBytes.size() == AnalogSize)
        m_analog = elevenBytes;
}

void SelectorSim::setAnalogByte(int index, quint8 value)
{
    if (index >= 0 && index < AnalogSize)
        m_analog[index] = char(value);
}

void SelectorSim::setInputs(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        m_inputs = bytes;
}
