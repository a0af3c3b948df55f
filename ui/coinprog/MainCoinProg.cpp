// "Coins prog." of the main window: identification and the channels, then the window.
#include "main/TMainFrm.h"

#include "coinprog/CoinProgModel.h"
#include "coinprog/TCprgFrm.h"
#include "config/ConfigPage.h"
#include "main/ConfigBinder.h"

TCprgFrm *TMainFrm::cprgFrm()
{
    if (!m_cprgFrm) {
        m_coinProg = std::make_unique<CoinProgModel>(*m_session, m_model->channelsForEdit(), *m_prompts);
        m_cprgFrm = new TCprgFrm(*m_coinProg, this);
    }
    return m_cprgFrm;
}

void TMainFrm::CoinsProgClick()
{
    TCprgFrm *window = cprgFrm();
    bool open = false;
    guarded([&] {
        open = m_coinProg->openFromToolbar();
        showIdentity();
        m_binder->refreshChannels();
    });
    if (!open)
        return;
    guarded([window] { window->exec(); });
    // The channels saved in the window show on the channel pages.
    m_binder->refreshChannels();
}
