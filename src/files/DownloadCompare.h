#pragma once

#include "files/BlockCompare.h"

#include <QList>
#include <QSet>
#include <QString>

class DeviceSession;
class SectionTree;

// Compare before Download: what the section window shows beside each block, and whether a
// block is written. "Write only what changed" is off unless the user turned it on; it is
// remembered in rx30.ini's SETTINGS. With it off every ticked block is written, compared or not.
// "Verify after writing" (off by default, remembered beside it) reads the written blocks back.
class DownloadCompare
{
public:
    static const QString SettingKey;
    static const QString VerifyKey;

    DownloadCompare(SectionTree &tree, DeviceSession &session, const QString &iniPath);

    bool writeOnlyChanged() const { return m_onlyChanged; }
    // false when the setting could not be stored (it still applies to this run).
    bool setWriteOnlyChanged(bool on);
    bool verifyAfterWriting() const { return m_verify; }
    bool setVerifyAfterWriting(bool on);

    // A new Download: nothing compared yet.
    void reset();
    // Reads the Checked blocks from the selector (a short Upload of them).
    void compare();
    bool compared() const { return m_compared; }
    const QList<BlockCompare::Block> &blocks() const { return m_blocks; }
    // The comparison of a node, nullptr when it was not compared.
    const BlockCompare::Block *blockOf(int node) const;

    // Before the writes: with "Write only what changed" the blocks are compared when they were
    // not yet, so that none is skipped on a guess.
    void prepareWrites();
    // Whether Download writes the node: always, unless it is known to be unchanged and only
    // changes are to be written.
    bool shouldWrite(int node) const;

private:
    SectionTree &m_tree;
    DeviceSession &m_session;
    QString m_iniPath;
    bool m_onlyChanged = false;
    bool m_verify = false;
    bool m_compared = false;
    QList<BlockCompare::Block> m_blocks;
    QSet<int> m_unchanged;
};
