#include "sim/SelectorSim.h"
#include "sim/SimBytes.h"

// The test fixture's wiring: each output line is looped back through a resistor that input
// line 1 does not notice, unless the line is shorted; then a latched output pulls input 1
// (bit 7 of the first input byte) high.

void SelectorSim::setOutputShorted(int line, bool shorted)
{
    if (line < 1 || line > 7)
        return;
    const quint8 bit = quint8(1u << (line - 1));
    m_shortedOutputs = shorted ? quint8(m_shortedOutputs | bit) : quint8(m_shortedOutputs & ~bit);
}

QByteArray SelectorSim::wiredInputs() const
{
    QByteArray in = m_inputs;
    const int latched = m_outputs.latchedOutputs;
    if (!in.isEmpty() && latched > 0 && (latched & m_shortedOutputs))
        in[0] = char(SimBytes::u8(in, 0) | 0x80);
    return in;
}
