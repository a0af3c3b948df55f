#include "files/ConfigTransfer.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigPage.h"
#include "device/DeviceSession.h"
#include "files/BlockCompare.h"
#include "files/BlockValue.h"
#include "files/ConfigFiles.h"
#include "files/SectionTree.h"
#include "files/StatisticsView.h"
#include "link/CcTalkLink.h"

namespace {

class BusyScope
{
public:
    explicit BusyScope(const std::function<void(bool)> &hook) : m_hook(hook)
    {
        if (m_hook)
            m_hook(true);
    }
    ~BusyScope()
    {
        if (m_hook)
            m_hook(false);
    }

private:
    const std::function<void(bool)> &m_hook;
};

bool isBlock(int address, int length)
{
    return address >= 0x0600 && length > 0;
}

} // namespace

ConfigTransfer::ConfigTransfer(SectionTree &tree, ConfigFiles &files, DeviceSession &session,
                               Prompts &prompts, StatisticsView *statistics)
    : m_tree(tree), m_files(files), m_session(session), m_prompts(prompts), m_statistics(statistics)
{
}

int ConfigTransfer::checkedBlocks(bool withText) const
{
    int total = 0;
    for (int i = 0; i < m_tree.count(); ++i) {
        const TXMLItem *item = m_tree.item(i);
        if (m_tree.state(i) == SectionTree::Checked &&
            isBlock(BlockValue::address(item), BlockValue::length(item)) &&
            (!withText || !item->Text.isEmpty()))
            ++total;
    }
    return total;
}

ConfigTransfer::Result ConfigTransfer::Upload()
{
    if (!m_session.Identify()) {
        m_prompts.error(Msg(99));
        return NotFound;
    }
    if (!m_tree.LoadFile(m_files.templatePath())) {
        m_prompts.error(m_tree.errorString());
        return Failed;
    }
    for (int i = 0; i < m_tree.count(); ++i)
        m_tree.setState(i, SectionTree::Checked);
    m_tree.windowCaption = Msg(310);
    if (!m_tree.showModal())
        return Cancelled;

    bool failed = false;
    {
        BusyScope scope(busy);
        CcTalkLink &link = m_session.link();
        QByteArray ignored;
        link.Transact(link.DeviceAddress, QByteArray("\xFF\x09", 2), 20, ignored);

        const int total = checkedBlocks(false);
        int done = 0;
        for (int i = 0; i < m_tree.count() && !failed; ++i) {
            if (m_tree.state(i) != SectionTree::Checked)
                continue;
            TXMLItem *item = m_tree.item(i);
            const int address = BlockValue::address(item);
            const int length = BlockValue::length(item);
            if (!isBlock(address, length))
                continue;
            if (progress)
                progress(m_tree.caption(i), ++done, total);
            QByteArray data;
            if (length > 255 ||
                m_session.ReadBlock(static_cast<quint16>(address), length, data,
                                    BlockValue::regionOf(address)) != DeviceSession::Done ||
                data.size() != length) {
                failed = true;
                break;
            }
            item->Text = CcTalkLink::BytesToHex(data);
            // Only a block that was read counts as loaded: a later save or download must
            // never send rows that did not come from the selector.
            m_files.markLoaded(BlockValue::sectionOf(address));
        }
    }
    if (failed) {
        m_prompts.error(Msg(125));
        return Failed;
    }
    if (!m_files.xml_2_screen())
        return Failed;
    m_prompts.information(Msg(192));
    return Done;
}

bool ConfigTransfer::verify(const QSet<int> &written)
{
    // Read as the compare before Download reads, so the bytes a file does not carry are left out
    // of both sides.
    QStringList faults;
    for (const BlockCompare::Block &b : BlockCompare::againstSelector(m_tree, m_session, &written)) {
        const QString where = BlockCompare::captionOf(m_tree, b.node);
        const QString at = BlockValue::addressText(b.address);
        if (b.status == BlockCompare::Unknown)
            faults << Msg(1082).arg(where, at);
        else if (b.status == BlockCompare::Changed)
            faults << Msg(1081).arg(where, at, b.current, b.wanted);
    }
    if (faults.isEmpty())
        return true;
    m_prompts.error(faults.join(QLatin1Char('\n')));
    return false;
}

ConfigTransfer::Result ConfigTransfer::Download(Source source)
{
    if (!m_session.Identify()) {
        m_prompts.error(Msg(99));
        return NotFound;
    }
    if (source == Source::Window && !m_files.screen_2_xml())
        return Failed;
    if (m_tree.allEmpty()) {
        m_prompts.error(Msg(29));
        return NothingToSend;
    }
    m_tree.windowCaption = Msg(113);
    if (!m_tree.showModal())
        return Cancelled;
    if (checkedBlocks(true) == 0) {
        m_prompts.error(Msg(29));
        return NothingToSend;
    }
    // Every value is checked before the first write, so a bad one sends nothing.
    if (!m_files.checkValues(true))
        return Failed;

    BusyScope scope(busy);
    bool readBack = false;
    int writeResult = DeviceSession::Done;
    const int total = checkedBlocks(true);
    int done = 0;
    QSet<int> written;
    for (int i = 0; i < m_tree.count() && writeResult == DeviceSession::Done; ++i) {
        const TXMLItem *item = m_tree.item(i);
        if (m_tree.state(i) != SectionTree::Checked || item->Text.isEmpty())
            continue;
        const int address = BlockValue::address(item);
        const int length = BlockValue::length(item);
        if (!isBlock(address, length) || (writeFilter && !writeFilter(i)))
            continue;
        if (progress)
            progress(m_tree.caption(i), ++done, total);
        const QByteArray bytes = CcTalkLink::HexToBytes(item->Text.left(2 * length));
        const quint8 region = BlockValue::regionOf(address);
        if (region == 0x10)
            readBack = true;
        written.insert(i);
        for (const BlockValue::Part &part : BlockValue::carriedParts(address, length)) {
            writeResult = m_session.WriteBlock(static_cast<quint16>(address + part.offset),
                                               bytes.mid(part.offset, part.count), region);
            if (writeResult != DeviceSession::Done)
                break;
        }
    }
    CcTalkLink::PumpDelay(100);
    if (readBack && m_statistics)
        m_statistics->statisticsRead();
    if (writeResult == DeviceSession::Done) {
        if (m_session.CommitToNV()) {
            if (verifyWrites && verifyWrites() && !written.isEmpty()) {
                if (!verify(written))
                    return Failed;
                m_prompts.information(Msg(192) + QLatin1Char('\n') + Msg(1083).arg(written.size()));
                return Done;
            }
            m_prompts.information(Msg(192));
            return Done;
        }
        m_prompts.error(Msg(136));
        return Failed;
    }
    if (writeResult == DeviceSession::Failed)
        m_prompts.error(Msg(131));
    return Failed;
}
