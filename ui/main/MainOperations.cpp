// The toolbar and page operations of the main window: each one forwards to its model and
// shows the outcome; the window is locked while it runs and unlocked on every path.
#include "diag/TCheckFrm.h"
#include "diag/TFtFrm.h"
#include "main/TMainFrm.h"
#include "station/TStationFrm.h"
#include "link/PortFactory.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigPage.h"
#include "controls/NumEdit.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "main/ConfigBinder.h"
#include "main/StatsPageView.h"
#include "main/TErFrm.h"
#include "stats/StatisticsExport.h"
#include "stats/StatisticsPage.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>

void TMainFrm::bindStatistics()
{
    for (int slot = 1; slot <= StatisticsPage::SlotCount; ++slot) {
        QComboBox *box = m_statsView->option[slot - 1];
        connect(box, qOverload<int>(&QComboBox::activated), this, [this, slot](int i) {
            m_stats->chooseOption(slot, i);
            refreshStatistics();
        });
        // Counters are the selector's: they are shown, not typed.
        m_statsView->value[slot - 1]->setReadOnly(true);
    }
    connect(m_statsView->readButton, &QPushButton::clicked, this, &TMainFrm::StatReadClick);
    connect(m_statsView->writeButton, &QPushButton::clicked, this, &TMainFrm::StatWriteClick);
    connect(m_statsView->exportButton, &QPushButton::clicked, this, &TMainFrm::ExportClick);
}

void TMainFrm::refreshStatistics()
{
    const QStringList names = m_stats->optionNames();
    for (int slot = 1; slot <= StatisticsPage::SlotCount; ++slot) {
        QComboBox *box = m_statsView->option[slot - 1];
        const QSignalBlocker block(box);
        if (box->count() != names.size()) {
            box->clear();
            box->addItems(names);
        }
        box->setCurrentIndex(m_stats->selection(slot));
        NumEdit *value = m_statsView->value[slot - 1];
        value->setText(QString::number(m_stats->value(slot)));
    }
}

void TMainFrm::StatReadClick()
{
    guarded([this] {
        showActivity(Msg(274));
        m_stats->statisticsRead();
        refreshStatistics();
    });
}

void TMainFrm::StatWriteClick()
{
    guarded([this] {
        showActivity(Msg(274));
        m_stats->writeButton();
        refreshStatistics();
    });
}

void TMainFrm::ExportClick()
{
    guarded([this] { StatisticsExport::run(*m_link, *m_stats, *m_prompts); });
}

QDialog *TMainFrm::erasingWindow() const
{
    return m_erFrm;
}

void TMainFrm::TestClick()
{
    guarded([this] {
        if (!m_session->Identify())
            return;
        showIdentity();
        // The modal window polls five times a second: the hourglass would flicker at every
        // exchange, and the window beneath cannot be used meanwhile anyway.
        m_link->setBusyHooks(nullptr);
        m_checkFrm->exec();
        m_link->setBusyHooks(this);
    });
}

void TMainFrm::FactoryTestClick()
{
    guarded([this] {
        if (!m_session->FactoryAccessEnabled || !m_session->RequestAccess(DeviceSession::WriteBank, 0x04))
            return;
        m_link->setBusyHooks(nullptr);
        m_ftFrm->exec();
        m_link->setBusyHooks(this);
    });
}

void TMainFrm::StationClick()
{
    guarded([this] {
        // The stations open their ports themselves, this window's own among them.
        const QString own = m_link->portName();
        m_stationFrm->prepare(PortList::ports({own}), {own}, m_session->DeviceType);
        m_link->closePort();
        m_link->setBusyHooks(nullptr);
        m_stationFrm->exec();
        m_link->setBusyHooks(this);
        m_link->openPort();
    });
}

void TMainFrm::EraseClick()
{
    guarded([this] {
        if (!m_session->Identify())
            return;
        showIdentity();
        m_erFrm->refresh();
        m_erFrm->exec();
        m_binder->refreshChannels();
        showActivity(Msg(274));
        m_stats->statisticsRead();
        refreshStatistics();
    });
}
