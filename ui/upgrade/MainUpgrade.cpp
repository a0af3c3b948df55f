#include "main/TMainFrm.h"
#include "upgrade/TDwnlFrm.h"

// "Upgrade" on the toolbar and the search's offer both open the window; no identification first.
void TMainFrm::UpgradeClick()
{
    guarded([this] { m_dwnlFrm->exec(); });
}
