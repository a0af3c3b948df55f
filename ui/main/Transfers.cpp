// File Open, File Save, Upload and Download: the configuration document's operations. The
// walks and checks are ConfigFiles' and ConfigTransfer's; the window shows their progress
// and fills its pages again afterwards.
#include "main/TMainFrm.h"

#include "config/ConfigPage.h"
#include "device/DeviceSession.h"
#include "files/ConfigFiles.h"
#include "files/ConfigTransfer.h"
#include "files/DownloadCompare.h"
#include "main/CompareView.h"
#include "main/ConfigBinder.h"
#include "stats/StatisticsPage.h"

#include <QToolButton>

void TMainFrm::bindTransfers()
{
    m_files = std::make_unique<ConfigFiles>(*m_tree, *m_model, *m_prompts, m_options.dataDir, m_stats.get());
    m_transfer = std::make_unique<ConfigTransfer>(*m_tree, *m_files, *m_session, *m_prompts, m_stats.get());
    m_transfer->progress = [this](const QString &caption, int index, int total) {
        showProgress(index, total, caption);
    };
    m_transfer->busy = [this](bool on) {
        if (on)
            BeginBusy();
        else
            EndBusy();
    };
    m_downloadCompare = std::make_unique<DownloadCompare>(*m_tree, *m_session, m_session->iniPath());
    // Asked before the first write: with "Write only what changed" the blocks are compared then,
    // when the section window did not already.
    m_transfer->writeFilter = [this](int node) {
        m_downloadCompare->prepareWrites();
        return m_downloadCompare->shouldWrite(node);
    };
    m_transfer->verifyWrites = [this] { return m_downloadCompare->verifyAfterWriting(); };
    connect(m_tools[FileOpen], &QToolButton::clicked, this, &TMainFrm::FileOpenClick);
    connect(m_tools[FileSave], &QToolButton::clicked, this, &TMainFrm::FileSaveClick);
    connect(m_tools[Upload], &QToolButton::clicked, this, &TMainFrm::UploadClick);
    connect(m_tools[Download], &QToolButton::clicked, this, &TMainFrm::DownloadClick);
}

void TMainFrm::afterDataChange()
{
    m_binder->refreshAll();
    refreshStatistics();
}

void TMainFrm::FileOpenClick()
{
    guarded([this] { m_files->FileOpen(); });
    afterDataChange();
}

void TMainFrm::FileSaveClick()
{
    guarded([this] { m_files->FileSave(); });
    afterDataChange();
}

void TMainFrm::UploadClick()
{
    guarded([this] { m_transfer->Upload(); });
    showIdentity();
    afterDataChange();
}

void TMainFrm::DownloadClick()
{
    // The section window is made after the toolbar; its compare view joins it on first use.
    if (!m_compareView)
        m_compareView = new CompareView(*m_parsFrm, *m_downloadCompare, this);
    m_compareView->setActive(true);
    guarded([this] { m_transfer->Download(); });
    m_compareView->setActive(false);
    showIdentity();
    afterDataChange();
}
