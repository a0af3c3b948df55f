#include "files/ConfigFiles.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigPage.h"
#include "files/BlockValue.h"
#include "files/SectionTree.h"
#include "files/StatisticsView.h"
#include "link/CcTalkLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>

const char *const ConfigFiles::FormatMarker = "format=\"RX20/RX30\"";
const char *const ConfigFiles::FileFilter = "Marvesti coin selector xml files (*.xml)";

ConfigFiles::ConfigFiles(SectionTree &tree, ConfigPage &page, Prompts &prompts, const QString &programDir,
                         StatisticsView *statistics)
    : m_tree(tree), m_page(page), m_prompts(prompts), m_dir(programDir), m_statistics(statistics)
{
}

QString ConfigFiles::templatePath() const
{
    return QDir(m_dir).filePath(QStringLiteral("template.xml"));
}

QString ConfigFiles::temporaryPath() const
{
    return QDir(m_dir).filePath(QStringLiteral("temporary.xml"));
}

namespace {

// Sets a block's text and marks its node and `depth` ancestors Checked.
void putBlock(SectionTree &tree, int address, const QString &text, int depth)
{
    const quint16 node = tree.FindAddress(BlockValue::addressText(address));
    if (node == SectionTree::NOT_FOUND)
        return;
    tree.item(node)->Text = text;
    for (int i = node, d = 0; i >= 0 && d <= depth; i = tree.parent(i), ++d)
        tree.setState(i, SectionTree::Checked);
}

// The text of a Checked block, or null when the block is absent or not taken.
const QString *takenText(SectionTree &tree, int address)
{
    const quint16 node = tree.FindAddress(BlockValue::addressText(address));
    if (node == SectionTree::NOT_FOUND || tree.state(node) != SectionTree::Checked)
        return nullptr;
    return &tree.item(node)->Text;
}

} // namespace

void ConfigFiles::markLoaded(int sections)
{
    m_page.imageForLoad().loadedSections |= sections;
}

bool ConfigFiles::render(QMap<int, QString> &blocks, bool quiet)
{
    const int loaded = m_page.image().loadedSections;
    if (loaded & ConfigImage::Channels) {
        for (int n = 1; n <= ChannelTable::ChannelCount; ++n) {
            // A row that was neither read nor opened has no value to save or write; its
            // block keeps what the document holds (nothing, after a partial Upload).
            if (m_page.channels().isBlank(n))
                continue;
            QString error;
            const QByteArray record = m_page.channels().ChannelToString(n, &error);
            if (record.size() != ChannelTable::RecordSize) {
                if (!quiet)
                    m_prompts.error(error.isEmpty() ? Msg(505).arg(n)
                                                    : Msg(505).arg(n) + QStringLiteral(": ") + error);
                return false;
            }
            blocks.insert(0x0600 + 16 * (n - 1), CcTalkLink::BytesToHex(record));
        }
    }
    if (loaded & ConfigImage::Configuration) {
        if (!m_page.windowToImage() || !m_page.rebuildCountryCodes())
            return false;
        const ConfigImage &image = m_page.image();
        for (int k = 0; k < ConfigImage::LineCount; ++k)
            blocks.insert(0x0700 + 8 * k, image.lineText(k).left(16));
        const QString params = image.paramText();
        for (int k = 0; k < ConfigImage::ParamCount; ++k)
            blocks.insert(0x07A0 + k, params.mid(2 * k, 2));
        blocks.insert(0x07B2, CcTalkLink::BytesToHex(image.countryCodes().toLatin1().left(8)));
    }
    if (loaded & ConfigImage::Statistics) {
        if (m_statistics)
            m_statistics->optionsUpdate();
        const QString options = m_page.image().statisticOptions;
        if (options.size() == 40) {
            for (int k = 0; k < 20; ++k)
                blocks.insert(0x07EA + k, options.mid(2 * k, 2));
        }
    }
    return true;
}

bool ConfigFiles::screen_2_xml()
{
    QMap<int, QString> blocks;
    if (!render(blocks, false))
        return false;
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it) {
        QString text = it.value();
        const auto taken = m_taken.constFind(it.key());
        if (taken != m_taken.cend() && taken->shown == text)
            text = taken->value;
        // The document holds what a file holds, whatever the selector had there.
        text = BlockValue::asFileHolds(text, it.key(), static_cast<int>(text.size() / 2));
        putBlock(m_tree, it.key(), text, it.key() < 0x0700 ? 1 : 2);
    }
    if ((m_page.image().loadedSections & 0x0F) == 0x0F)
        m_tree.setState(0, SectionTree::Checked);
    return true;
}

bool ConfigFiles::checkValues(bool onlyChecked)
{
    for (int i = 0; i < m_tree.count(); ++i) {
        TXMLItem *item = m_tree.item(i);
        if (item->Text.isEmpty() || (onlyChecked && m_tree.state(i) != SectionTree::Checked))
            continue;
        const int address = BlockValue::address(item);
        const int length = BlockValue::length(item);
        if (address == 0 && length == 0)
            continue; // not a Data element
        QString value = item->Text;
        if (!BlockValue::normalise(value, length) || length > 255) {
            m_prompts.error(Msg(506).arg(m_tree.caption(i), BlockValue::addressText(address)).arg(length));
            return false;
        }
        item->Text = value;
    }
    return true;
}

bool ConfigFiles::xml_2_screen()
{
    if (!checkValues(true))
        return false;
    int flags = 0;
    ConfigImage &image = m_page.imageForLoad();

    for (int n = 1; n <= ChannelTable::ChannelCount; ++n) {
        if (const QString *text = takenText(m_tree, 0x0600 + 16 * (n - 1))) {
            if (!text->isEmpty())
                m_page.channelsForEdit().StringToChannel(n, CcTalkLink::HexToBytes(text->left(32)));
            flags |= ConfigImage::Channels;
        }
    }
    for (int k = 0; k < ConfigImage::LineCount; ++k) {
        if (const QString *text = takenText(m_tree, 0x0700 + 8 * k)) {
            if (!text->isEmpty())
                image.setLineText(k, text->left(16));
            flags |= ConfigImage::Configuration;
        }
    }
    QString params = image.paramText();
    for (int k = 0; k < ConfigImage::ParamCount; ++k) {
        if (const QString *text = takenText(m_tree, 0x07A0 + k)) {
            if (!text->isEmpty())
                params.replace(2 * k, 2, text->left(2));
            flags |= ConfigImage::Configuration;
        }
    }
    if (const QString *text = takenText(m_tree, 0x07B2)) {
        if (!text->isEmpty()) {
            image.setCountryCodes(QString::fromLatin1(CcTalkLink::HexToBytes(text->left(16))));
            m_page.showCountryCodes();
        }
        flags |= ConfigImage::Configuration;
    }
    if (flags & ConfigImage::Configuration)
        image.setParamText(params);

    QString options;
    QString counters;
    bool statistics = false;
    for (int k = 0; k < 20; ++k) {
        const QString *option = takenText(m_tree, 0x07EA + k);
        options += option && !option->isEmpty() ? option->left(2) : QStringLiteral("FF");
        const QString *counter = takenText(m_tree, 0x0800 + 3 * k);
        counters += counter && !counter->isEmpty() ? counter->left(6) : QStringLiteral("000000");
        statistics = statistics || option || counter;
    }
    // Statistic texts change only when the file brought statistics, so that the page and
    // its texts never disagree (a disagreement would erase counters on the next "Write").
    if (statistics) {
        image.statisticOptions = options;
        image.statisticCounters = counters;
        flags |= ConfigImage::Statistics;
        if (m_statistics)
            m_statistics->statisticsDisplay();
    }
    if (const QString *text = takenText(m_tree, 0x0747)) {
        if (!text->isEmpty())
            m_page.setModeByte(text->left(2).toInt(nullptr, 16));
        flags |= ConfigImage::Modes;
    }
    if (flags & ConfigImage::Configuration) {
        m_page.recogniseVersion();
        m_page.imageToWindow();
    }
    image.loadedSections |= flags;

    // How the window renders what it just took. Rendering brings the image up to date from the
    // window; the image is kept as taken (the selector's fourth country code for the channel
    // rows' lists, statistic options as read for the counters a later "Write" erases).
    const ConfigImage taken = image;
    QMap<int, QString> shown;
    const bool rendered = render(shown, true);
    image = taken;
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        const QString *text = takenText(m_tree, it.key());
        if (rendered && text && !text->isEmpty())
            m_taken.insert(it.key(), {text->left(it.value().size()), it.value()});
        else if (text)
            m_taken.remove(it.key());
    }
    return true;
}

QString ConfigFiles::wholeFileProblem(const QByteArray &content)
{
    QXmlStreamReader reader(content);
    while (!reader.atEnd())
        reader.readNext();
    if (!reader.hasError())
        return QString();
    return QStringLiteral("%1 (%2)").arg(reader.errorString()).arg(reader.lineNumber());
}

bool ConfigFiles::hasFormatMarker(const QByteArray &content)
{
    return content.contains(FormatMarker);
}

namespace {

// "VALUE</Data>" with nothing but spaces after it and no markup in VALUE.
bool isValueAndEndTag(const QByteArray &rest)
{
    static const QByteArray endTag("</Data>");
    const QByteArray text = rest.trimmed();
    if (!text.endsWith(endTag))
        return false;
    const QByteArray value = text.left(text.size() - endTag.size());
    return !value.contains('<') && !value.contains('>');
}

QList<QByteArray> splitLines(const QByteArray &content)
{
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace

bool ConfigFiles::mergeWithTemplate(const QString &fileName, const QByteArray &file, QByteArray &merged)
{
    QFile tmpl(templatePath());
    if (!tmpl.open(QIODevice::ReadOnly)) {
        m_prompts.error(QStringLiteral("%1: %2").arg(templatePath(), tmpl.errorString()));
        return false;
    }
    const QList<QByteArray> fileLines = splitLines(file);
    // Each file line's text up to and including its first '>', where keys are looked for.
    QList<QByteArray> heads;
    for (const QByteArray &line : fileLines) {
        const int gt = line.indexOf('>');
        heads.append(gt < 0 ? line : line.left(gt + 1));
    }
    merged.clear();
    for (QByteArray line : splitLines(tmpl.readAll())) {
        const int word = line.indexOf("address");
        if (word >= 0) {
            const QByteArray key = line.mid(word + 11, 4);
            for (int i = 0; i < fileLines.size(); ++i) {
                if (!key.isEmpty() && heads[i].contains(key)) {
                    const int gt = line.indexOf('>');
                    const int fileGt = fileLines[i].indexOf('>');
                    const QByteArray rest = fileGt >= 0 ? fileLines[i].mid(fileGt + 1) : QByteArray();
                    // Only a value and the end tag may be carried over: markup after the first '>'
                    // would land in the document's structure and open a different file than the
                    // user's without a word.
                    if (!isValueAndEndTag(rest)) {
                        m_prompts.error(Msg(647).arg(fileName, QString::number(i + 1),
                                                    QString::fromLatin1("0x" + key)));
                        return false;
                    }
                    if (gt >= 0)
                        line = line.left(gt + 1) + rest;
                    break;
                }
            }
        }
        merged += line + "\r\n";
    }
    return true;
}

ConfigFiles::Result ConfigFiles::FileOpen(const QString &fileName)
{
    QString name = fileName;
    if (name.isEmpty())
        name = m_prompts.openFileName(Msg(507), m_dir, QString::fromLatin1(FileFilter));
    if (name.isEmpty())
        return Cancelled;

    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompts.error(QStringLiteral("%1: %2").arg(name, file.errorString()));
        return Failed;
    }
    const QByteArray content = file.readAll();
    if (!hasFormatMarker(content)) {
        m_prompts.error(Msg(91));
        return Failed;
    }
    if (m_requireWhole) {
        const QString problem = wholeFileProblem(content);
        if (!problem.isEmpty()) {
            m_prompts.error(Msg(640).arg(name, problem));
            return Failed;
        }
    }
    // The reader refuses such a line; say where it is in the user's own file.
    int lineNo = 1;
    for (const QByteArray &line : content.split('\n')) {
        if (line.size() >= TECXMLParser::BufferSize) {
            m_prompts.error(Msg(501).arg(Msg(500)).arg(lineNo));
            return Failed;
        }
        ++lineNo;
    }
    QByteArray merged;
    if (!mergeWithTemplate(name, content, merged))
        return Failed;

    // Check the merged document on the side first, so that a bad file changes nothing.
    {
        SectionTree scratch;
        if (!scratch.document().LoadFromData(merged)) {
            m_prompts.error(scratch.document().errorString());
            return Failed;
        }
        ConfigFiles check(scratch, m_page, m_prompts, m_dir);
        // Only the values are examined here; the window is not touched.
        for (int i = 0; i < scratch.count(); ++i)
            scratch.setState(i, SectionTree::Checked);
        if (!check.checkValues(false))
            return Failed;
    }

    QSaveFile out(temporaryPath());
    if (!out.open(QIODevice::WriteOnly) || out.write(merged) != merged.size() || !out.commit()) {
        m_prompts.error(QStringLiteral("%1: %2").arg(temporaryPath(), out.errorString()));
        return Failed;
    }
    m_tree.windowCaption = Msg(234);
    if (!m_tree.LoadFile(temporaryPath())) {
        m_prompts.error(m_tree.errorString());
        return Failed;
    }
    if (!m_tree.showModal())
        return Cancelled;
    return xml_2_screen() ? Done : Failed;
}

ConfigFiles::Result ConfigFiles::FileSave(const QString &fileName)
{
    if (!QFileInfo::exists(templatePath())) {
        m_prompts.error(QStringLiteral("%1: %2").arg(templatePath(), Msg(508)));
        return Failed;
    }
    if (!screen_2_xml())
        return Failed;
    if (m_tree.allEmpty()) {
        m_prompts.error(Msg(29));
        return Failed;
    }
    m_tree.windowCaption = Msg(235);
    if (!m_tree.showModal())
        return Cancelled;
    if (m_tree.allEmpty()) {
        m_prompts.error(Msg(29));
        return Failed;
    }
    QString name = fileName;
    if (name.isEmpty())
        name = m_prompts.saveFileName(Msg(509), m_dir, QString::fromLatin1(FileFilter));
    if (name.isEmpty())
        return Cancelled;
    const QString target = SectionTree::xmlFileName(name);
    if (QFileInfo::exists(target) &&
        m_prompts.confirm(Msg(504).arg(target), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
        return Cancelled;
    if (!m_tree.SaveFile(target, templatePath())) {
        m_prompts.error(m_tree.errorString());
        return Failed;
    }
    return Done;
}
