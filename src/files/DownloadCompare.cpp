#include "files/DownloadCompare.h"

#include "config/IniFile.h"

const QString DownloadCompare::SettingKey = QStringLiteral("Write only changed");
const QString DownloadCompare::VerifyKey = QStringLiteral("Verify after writing");

namespace {
bool readSetting(const QString &iniPath, const QString &key)
{
    return IniFile(iniPath).readValue(QStringLiteral("SETTINGS"), key, QStringLiteral("0")).trimmed() ==
           QLatin1String("1");
}

bool writeSetting(const QString &iniPath, const QString &key, bool on)
{
    IniFile ini(iniPath);
    return ini.writeValue(QStringLiteral("SETTINGS"), key, on ? QStringLiteral("1") : QStringLiteral("0"));
}
} // namespace

DownloadCompare::DownloadCompare(SectionTree &tree, DeviceSession &session, const QString &iniPath)
    : m_tree(tree), m_session(session), m_iniPath(iniPath)
{
    m_onlyChanged = readSetting(m_iniPath, SettingKey);
    m_verify = readSetting(m_iniPath, VerifyKey);
}

bool DownloadCompare::setWriteOnlyChanged(bool on)
{
    m_onlyChanged = on;
    return writeSetting(m_iniPath, SettingKey, on);
}

bool DownloadCompare::setVerifyAfterWriting(bool on)
{
    m_verify = on;
    return writeSetting(m_iniPath, VerifyKey, on);
}

void DownloadCompare::reset()
{
    m_compared = false;
    m_blocks.clear();
    m_unchanged.clear();
}

void DownloadCompare::compare()
{
    m_blocks = BlockCompare::againstSelector(m_tree, m_session);
    m_unchanged = BlockCompare::unchangedNodes(m_blocks);
    m_compared = true;
}

const BlockCompare::Block *DownloadCompare::blockOf(int node) const
{
    for (const BlockCompare::Block &b : m_blocks)
        if (b.node == node)
            return &b;
    return nullptr;
}

void DownloadCompare::prepareWrites()
{
    if (m_onlyChanged && !m_compared)
        compare();
}

bool DownloadCompare::shouldWrite(int node) const
{
    return !m_onlyChanged || !m_unchanged.contains(node);
}
