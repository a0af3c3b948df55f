#pragma once

#include "config/ConfigPage.h"
#include "files/ConfigFiles.h"
#include "files/ConfigTransfer.h"
#include "files/SectionTree.h"
#include "stats/ErasingModel.h"
#include "stats/StatisticsPage.h"

#include <memory>

class DeviceSession;
class Prompts;

// The main window's data without the window: the configuration page, the section tree
// with the configuration document, the statistics page, and the file, transfer and
// erasing operations over them, wired together for one program directory.
class ConfigWorkspace
{
public:
    ConfigWorkspace(DeviceSession &session, Prompts &prompts, const QString &programDir);

    // Start-up: the catalogues (and the first standard configuration), the statistic
    // options, and the template into the section tree. false when something failed (shown).
    bool load();

    ConfigPage &page() { return *m_page; }
    SectionTree &tree() { return m_tree; }
    StatisticsPage &statistics() { return *m_statistics; }
    ConfigFiles &files() { return *m_files; }
    ConfigTransfer &transfer() { return *m_transfer; }
    ErasingModel &erasing() { return *m_erasing; }

private:
    Prompts &m_prompts;
    QString m_dir;
    SectionTree m_tree;
    std::unique_ptr<ConfigPage> m_page;
    std::unique_ptr<StatisticsPage> m_statistics;
    std::unique_ptr<ConfigFiles> m_files;
    std::unique_ptr<ConfigTransfer> m_transfer;
    std::unique_ptr<ErasingModel> m_erasing;
};
