#include "files/BlockCompare.h"

#include "device/DeviceSession.h"
#include "files/BlockValue.h"
#include "files/SectionTree.h"
#include "files/XMLItem.h"
#include "link/CcTalkLink.h"

namespace {
bool isBlock(int address, int length)
{
    return address >= 0x0600 && length > 0 && length <= 255;
}

// The bytes a Download sends.
QString sentPart(const QString &text, int address, int length)
{
    return BlockValue::carriedHex(text, address, length);
}
} // namespace

QString BlockCompare::captionOf(SectionTree &tree, int node)
{
    const int parent = tree.parent(node);
    // The root ("All data") adds nothing a user needs to find the block.
    if (parent <= 0)
        return tree.caption(node);
    return tree.caption(parent).trimmed() + QStringLiteral(" / ") + tree.caption(node).trimmed();
}

QList<BlockCompare::Block> BlockCompare::againstSelector(SectionTree &tree, DeviceSession &session,
                                                        const QSet<int> *nodes)
{
    QList<Block> out;
    for (int i = 0; i < tree.count(); ++i) {
        const TXMLItem *item = tree.item(i);
        if (tree.state(i) != SectionTree::Checked || item->Text.isEmpty() || (nodes && !nodes->contains(i)))
            continue;
        Block b;
        b.node = i;
        b.address = BlockValue::address(item);
        b.length = BlockValue::length(item);
        if (!isBlock(b.address, b.length))
            continue;
        b.caption = captionOf(tree, i);
        b.wanted = sentPart(item->Text, b.address, b.length);
        out.append(b);
    }
    // Neighbouring blocks of one region are read together, which makes the comparison a small
    // part of a Download; a span the selector will not give is read again block by block.
    for (int first = 0; first < out.size();) {
        int last = first;
        int span = out[first].length;
        const quint8 region = BlockValue::regionOf(out[first].address);
        while (last + 1 < out.size() && out[last + 1].address == out[last].address + out[last].length &&
               BlockValue::regionOf(out[last + 1].address) == region &&
               span + out[last + 1].length <= MaxSpan) {
            ++last;
            span += out[last].length;
        }
        QByteArray data;
        const bool together = last > first &&
                              session.ReadBlock(static_cast<quint16>(out[first].address), span, data,
                                                region) == DeviceSession::Done &&
                              data.size() == span;
        int offset = 0;
        for (int k = first; k <= last; ++k) {
            Block &b = out[k];
            QByteArray bytes;
            if (together)
                bytes = data.mid(offset, b.length);
            else if (session.ReadBlock(static_cast<quint16>(b.address), b.length, bytes, region) !=
                         DeviceSession::Done ||
                     bytes.size() != b.length)
                bytes.clear();
            offset += b.length;
            if (bytes.isEmpty())
                continue;
            b.current = sentPart(CcTalkLink::BytesToHex(bytes), b.address, b.length);
            b.status = b.current == b.wanted ? Same : Changed;
        }
        first = last + 1;
    }
    return out;
}

QList<BlockCompare::Block> BlockCompare::againstDocument(SectionTree &a, SectionTree &b)
{
    QList<Block> out;
    for (int i = 0; i < a.count(); ++i) {
        const TXMLItem *item = a.item(i);
        Block block;
        block.node = i;
        block.address = BlockValue::address(item);
        block.length = BlockValue::length(item);
        if (!isBlock(block.address, block.length))
            continue;
        const quint16 other = b.FindAddress(BlockValue::addressText(block.address));
        const QString otherText = other == SectionTree::NOT_FOUND ? QString() : b.item(other)->Text;
        if (item->Text.isEmpty() && otherText.isEmpty())
            continue;
        block.caption = captionOf(a, i);
        block.wanted = sentPart(item->Text, block.address, block.length);
        block.current = sentPart(otherText, block.address, block.length);
        block.status = block.wanted == block.current ? Same : Changed;
        out.append(block);
    }
    return out;
}

QSet<int> BlockCompare::unchangedNodes(const QList<Block> &blocks)
{
    QSet<int> out;
    for (const Block &b : blocks)
        if (b.status == Same)
            out.insert(b.node);
    return out;
}

bool BlockCompare::allSame(const QList<Block> &blocks)
{
    for (const Block &b : blocks)
        if (b.status != Same)
            return false;
    return true;
}
