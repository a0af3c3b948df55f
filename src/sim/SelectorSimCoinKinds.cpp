#include "sim/SelectorSim.h"

// Coins of a kind: a measurement drawn with the kind's noise, then the selector's own
// acceptance rule from the stored centres and tolerances.

SelectorSim::CoinOutcome SelectorSim::insertKind(const QString &name)
{
    const QByteArray six = m_coinKinds.draw(name);
    if (six.size() != 6)
        return {};
    return insertCoin(six);
}
