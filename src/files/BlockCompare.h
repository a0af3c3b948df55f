#pragma once

#include <QList>
#include <QSet>
#include <QString>

class DeviceSession;
class SectionTree;

// What a Download would change, block by block: the value each ticked block of the document
// would write against what the selector holds now (read first, as a short Upload of those
// blocks), or against the same block of another configuration document.
class BlockCompare
{
public:
    enum Status { Same, Changed, Unknown };
    // The most bytes read in one request when neighbouring blocks are read together.
    static constexpr int MaxSpan = 128;

    struct Block
    {
        int node = -1;   // in the compared tree
        QString caption; // the group's and the block's captions from the template
        int address = 0;
        int length = 0;
        QString wanted;  // the value to write, as hex text ("" when the block has none)
        QString current; // what the selector (or the other document) holds; "" when unknown
        Status status = Unknown;
    };

    // Reads every Checked block with a value from the selector, neighbouring blocks of a region
    // together. A block the selector refuses to be read, or that the access check does not
    // grant, is Unknown. With nodes, only those are read.
    static QList<Block> againstSelector(SectionTree &tree, DeviceSession &session,
                                        const QSet<int> *nodes = nullptr);
    // Every block that holds a value in either document, a's value as wanted and b's as current.
    static QList<Block> againstDocument(SectionTree &a, SectionTree &b);

    // The nodes that need not be written: those whose value the selector already holds.
    static QSet<int> unchangedNodes(const QList<Block> &blocks);
    static bool allSame(const QList<Block> &blocks);
    // "group / block", the way the section window shows the block.
    static QString captionOf(SectionTree &tree, int node);
};
