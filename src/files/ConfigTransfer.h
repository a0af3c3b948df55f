#pragma once

#include <QSet>
#include <QString>
#include <functional>

class ConfigFiles;
class DeviceSession;
class Prompts;
class SectionTree;
class StatisticsView;

// "Upload" and "Download": the template's blocks between the selector and the window,
// through the section document, one ReadBlock or WriteBlock per ticked block in template
// order, the first failure ending the walk.
class ConfigTransfer
{
public:
    enum Result { Done = 0, Cancelled, NotFound, Failed, NothingToSend };

    ConfigTransfer(SectionTree &tree, ConfigFiles &files, DeviceSession &session, Prompts &prompts,
                   StatisticsView *statistics = nullptr);

    void setStatistics(StatisticsView *statistics) { m_statistics = statistics; }
    // Called before each block is moved, with the block's caption, its number and the total.
    std::function<void(const QString &caption, int index, int total)> progress;
    // The cursor hooks of the window (hourglass on, off), called on every path.
    std::function<void(bool busy)> busy;
    // Download asks before writing each ticked block; false skips it ("Write only what
    // changed"). Without it every ticked block is written.
    std::function<bool(int node)> writeFilter;
    // Asked once the writes are committed: true reads every written block back and fails the
    // Download, naming the block and both values, where the selector does not hold what was sent.
    std::function<bool()> verifyWrites;

    Result Upload();
    // Window: the window's loaded areas go into the document first (the toolbar's Download).
    // Document: the document's Checked blocks are written as they stand, nothing added from
    // the window; the command-line tool writes exactly the blocks of the file it opened.
    enum class Source { Window, Document };
    Result Download(Source source = Source::Window);

private:
    int checkedBlocks(bool withText) const;
    bool verify(const QSet<int> &written);

    SectionTree &m_tree;
    ConfigFiles &m_files;
    DeviceSession &m_session;
    Prompts &m_prompts;
    StatisticsView *m_statistics;
};
