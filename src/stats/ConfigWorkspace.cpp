#include "stats/ConfigWorkspace.h"

#include "app/Prompts.h"
#include "device/DeviceSession.h"

ConfigWorkspace::ConfigWorkspace(DeviceSession &session, Prompts &prompts, const QString &programDir)
    : m_prompts(prompts), m_dir(programDir)
{
    m_page = std::make_unique<ConfigPage>(prompts);
    m_statistics = std::make_unique<StatisticsPage>(m_page->imageForLoad(), prompts, &session);
    m_files = std::make_unique<ConfigFiles>(m_tree, *m_page, prompts, programDir, m_statistics.get());
    m_transfer = std::make_unique<ConfigTransfer>(m_tree, *m_files, session, prompts, m_statistics.get());
    m_erasing = std::make_unique<ErasingModel>(session, m_page->channelsForEdit(), prompts);
}

bool ConfigWorkspace::load()
{
    bool ok = m_page->loadCatalogues(m_dir);
    m_statistics->loadCatalogue(m_page->rx30Path());
    if (!m_tree.LoadFile(m_files->templatePath())) {
        m_prompts.error(QStringLiteral("%1: %2").arg(m_files->templatePath(), m_tree.errorString()));
        ok = false;
    }
    return ok;
}
