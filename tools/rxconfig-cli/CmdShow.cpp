// show FILE.xml: a configuration file decoded through the configuration model, in words.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "files/BlockValue.h"
#include "stats/ConfigWorkspace.h"

#include <QJsonArray>
#include <QSet>

namespace {
// Captions of the common parameter block, byte by byte, as message numbers.
const int kParamCaptions[18] = {88,  39,  40,  41,  42,  43,  226, 510, 298,
                                293, 103, 165, 184, 110, 518, 109, 150, 248};
const int kLineCaptions[8] = {201, 202, 203, 204, 205, 206, 159, 167};
const char *const kWindowNames[6] = {"AM1", "PH1", "AM2", "PH2", "PI3", "DIM"};

// The addresses of the blocks the opened file holds: only these are shown.
QSet<int> heldBlocks(const SectionTree &tree)
{
    QSet<int> held;
    for (int i = 0; i < tree.count(); ++i) {
        const TXMLItem *item = tree.item(i);
        if (!item->Text.isEmpty() && BlockValue::length(item) > 0)
            held.insert(BlockValue::address(item));
    }
    return held;
}

// The captions of the groups the file holds nothing of (the outermost of each).
QStringList absentSections(const SectionTree &tree)
{
    QStringList absent;
    QSet<int> reported;
    for (int i = 1; i < tree.count(); ++i) {
        if (BlockValue::length(tree.item(i)) > 0 || tree.state(i) != SectionTree::Empty)
            continue;
        if (reported.contains(tree.parent(i))) {
            reported.insert(i);
            continue;
        }
        reported.insert(i);
        absent << tree.caption(i);
    }
    return absent;
}

QString entry(const QStringList &list, int index)
{
    return index >= 0 && index < list.size() ? list.at(index) : QStringLiteral("-");
}

// A typed number as a number, anything else (an empty box) as null.
QJsonValue number(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? QJsonValue(value) : QJsonValue();
}

void jsonLines(QJsonObject &json, ConfigPage &page, const QSet<int> &held, bool allLines)
{
    json.insert(QStringLiteral("version"),
                allLines ? QJsonValue(entry(page.versionEntries(), page.versionIndex())) : QJsonValue());
    QJsonArray lines;
    for (int k = 1; k <= ConfigPage::LineCount; ++k) {
        if (!held.contains(0x0700 + 8 * (k - 1)))
            continue;
        const LineRow &row = page.line(k);
        QJsonObject line{{QStringLiteral("line"), k},
                         {QStringLiteral("function"), entry(row.functions, row.functionIndex)}};
        if (row.timeOnVisible) {
            line.insert(QStringLiteral("timeOn"), row.timeOn);
            line.insert(QStringLiteral("timeOnUnit"), row.timeOnUnit);
        }
        if (row.timeOffVisible) {
            line.insert(QStringLiteral("timeOff"), row.timeOff);
            line.insert(QStringLiteral("timeOffUnit"), row.timeOffUnit);
        }
        if (row.valueVisible)
            line.insert(QStringLiteral("value"), row.value);
        if (row.impulsesVisible)
            line.insert(QStringLiteral("impulses"), row.impulses);
        lines.append(line);
    }
    json.insert(QStringLiteral("lines"), lines);
}

void showLines(CliContext &ctx, ConfigPage &page, const QSet<int> &held, QJsonObject *json)
{
    bool allLines = true;
    for (int k = 0; k < ConfigPage::LineCount; ++k)
        allLines = allLines && held.contains(0x0700 + 8 * k);
    if (json) {
        jsonLines(*json, page, held, allLines);
        return;
    }
    // Recognition needs every line; with some missing it would name a guess.
    if (allLines)
        ctx.out << Msg(519) << entry(page.versionEntries(), page.versionIndex()) << '\n';
    for (int k = 1; k <= ConfigPage::LineCount; ++k) {
        if (!held.contains(0x0700 + 8 * (k - 1)))
            continue;
        const LineRow &row = page.line(k);
        ctx.out << "  " << Msg(kLineCaptions[k - 1]) << ": " << entry(row.functions, row.functionIndex);
        if (row.timeOnVisible)
            ctx.out << "; " << Msg(295) << ' ' << row.timeOn << ' ' << row.timeOnUnit;
        if (row.timeOffVisible)
            ctx.out << "; " << Msg(294) << ' ' << row.timeOff << ' ' << row.timeOffUnit;
        if (row.valueVisible)
            ctx.out << "; " << Msg(313) << ' ' << row.value;
        if (row.impulsesVisible)
            ctx.out << "; " << row.impulsesCaption << ' ' << row.impulses;
        ctx.out << '\n';
    }
}

QStringList countryCodes(ConfigPage &page)
{
    QStringList codes;
    const QString text = page.image().countryCodes();
    for (int i = 0; i + 1 < text.size(); i += 2)
        codes << text.mid(i, 2);
    return codes;
}

void jsonParameters(QJsonObject &json, ConfigPage &page, const QSet<int> &held)
{
    QJsonArray parameters;
    for (int p = 0; p < ConfigImage::ParamCount; ++p) {
        if (!held.contains(0x07A0 + p))
            continue;
        QJsonObject parameter{{QStringLiteral("caption"), Msg(kParamCaptions[p]).trimmed()},
                              {QStringLiteral("value"), page.paramValue(p)}};
        CliJson::putAddress(parameter, 0x07A0 + p);
        // The list entry the byte stands for, as the window names it.
        if (p == ConfigPage::DipSwMode)
            parameter.insert(QStringLiteral("entry"), entry(page.dipEntries(), page.dipIndex()));
        else if (p == ConfigPage::DisplayType)
            parameter.insert(QStringLiteral("entry"), entry(page.displayTypes(), page.displayTypeIndex()));
        else if (p == ConfigPage::DispData)
            parameter.insert(QStringLiteral("decimals"), page.decimals());
        else if (!page.paramUnit(p).isEmpty())
            parameter.insert(QStringLiteral("unit"), page.paramUnit(p));
        parameters.append(parameter);
    }
    json.insert(QStringLiteral("parameters"), parameters);
    if (held.contains(0x07B2))
        json.insert(QStringLiteral("countryCodes"), QJsonArray::fromStringList(countryCodes(page)));
}

void showParameters(CliContext &ctx, ConfigPage &page, const QSet<int> &held, QJsonObject *json)
{
    if (json) {
        jsonParameters(*json, page, held);
        return;
    }
    for (int p = 0; p < ConfigImage::ParamCount; ++p) {
        if (!held.contains(0x07A0 + p))
            continue;
        ctx.out << "  " << Msg(kParamCaptions[p]) << ": ";
        switch (p) {
        case ConfigPage::DipSwMode:
            ctx.out << entry(page.dipEntries(), page.dipIndex());
            break;
        case ConfigPage::DisplayType:
            ctx.out << entry(page.displayTypes(), page.displayTypeIndex());
            if (page.viewVisible())
                ctx.out << ", " << entry(page.viewOptions(), page.viewIndex());
            break;
        case ConfigPage::DispData:
            ctx.out << Msg(183) << ' '
                    << entry(ConfigPage::displayMultipliers(), page.displayMultiplierIndex()) << ", "
                    << Msg(95) << ' ' << page.decimals();
            break;
        default:
            ctx.out << page.paramValue(p);
            if (!page.paramUnit(p).isEmpty())
                ctx.out << ' ' << page.paramUnit(p);
        }
        ctx.out << '\n';
    }
    if (!held.contains(0x07B2))
        return;
    ctx.out << "  " << Msg(86) << ": " << countryCodes(page).join(QLatin1Char(' ')) << '\n';
}

QJsonObject jsonChannel(const ChannelTable &table, int n)
{
    const ChannelRow &row = table.row(n);
    QJsonObject windows;
    for (int w = 0; w < 6; ++w)
        windows.insert(QLatin1String(kWindowNames[w]),
                       QJsonObject{{QStringLiteral("centre"), number(row.boxes[size_t(w)])},
                                   {QStringLiteral("tolerance"), number(row.boxes[size_t(w + 6)])}});
    return {{QStringLiteral("channel"), n},
            {QStringLiteral("country"), entry(table.ccLabels(), row.cc)},
            {QStringLiteral("valueCode"), entry(ChannelTable::cvfLabels(), row.cvf)},
            {QStringLiteral("mint"), entry(ChannelTable::mintLabels(), row.mint)},
            {QStringLiteral("value"), number(row.value)},
            {QStringLiteral("enabled"), row.enabled},
            {QStringLiteral("ccTalk"), row.ccTalk},
            {QStringLiteral("selective"), row.selective},
            {QStringLiteral("fake"), row.fake},
            {QStringLiteral("direction"), row.direction < 0 ? QJsonValue() : QJsonValue(row.direction)},
            {QStringLiteral("windows"), windows}};
}

void showChannels(CliContext &ctx, ConfigPage &page, const QSet<int> &held, QJsonObject *json)
{
    const ChannelTable &table = page.channels();
    QJsonArray channels;
    for (int n = 1; n <= ChannelTable::ChannelCount; ++n) {
        if (!held.contains(0x0600 + 16 * (n - 1)))
            continue;
        if (table.ChannelToString(n) == QByteArray(ChannelTable::RecordSize, char(0xFF)))
            continue; // erased
        if (json) {
            channels.append(jsonChannel(table, n));
            continue;
        }
        const ChannelRow &row = table.row(n);
        ctx.out << "  " << Msg(58) << n << ": " << entry(table.ccLabels(), row.cc) << ' '
                << entry(ChannelTable::cvfLabels(), row.cvf) << ' '
                << entry(ChannelTable::mintLabels(), row.mint) << "; " << Msg(312) << ' ' << row.value << "; "
                << Msg(275) << ':';
        ctx.out << ' ' << (row.enabled ? Msg(520) : Msg(521));
        if (row.ccTalk)
            ctx.out << ", ccTalk";
        if (row.selective)
            ctx.out << ", " << Msg(522);
        if (row.fake)
            ctx.out << ", " << Msg(523);
        ctx.out << "; " << Msg(248) << ' '
                << (row.direction < 0 ? QStringLiteral("-") : QString::number(row.direction));
        for (int w = 0; w < 6; ++w)
            ctx.out << "; " << kWindowNames[w] << ' ' << row.boxes[size_t(w)] << '/'
                    << row.boxes[size_t(w + 6)];
        ctx.out << '\n';
    }
    if (json)
        json->insert(QStringLiteral("channels"), channels);
}

QString statisticsName(StatisticsPage &stats, int k)
{
    return stats.selection(k) >= 0 ? stats.selectedName(k) : stats.optionsText().mid(2 * (k - 1), 2);
}

bool statisticsHeld(const QSet<int> &held, int k)
{
    return held.contains(0x07EA + k - 1) || held.contains(0x0800 + 3 * (k - 1));
}

int showJson(CliContext &ctx, ConfigWorkspace &ws, const QSet<int> &held)
{
    ConfigPage &page = ws.page();
    const int loaded = page.image().loadedSections;
    QJsonObject json{{QStringLiteral("file"), ctx.options.args.first()}};
    QJsonArray sections;
    if (loaded & ConfigImage::Configuration) {
        sections.append(QStringLiteral("configuration"));
        showLines(ctx, page, held, &json);
        showParameters(ctx, page, held, &json);
    }
    if (loaded & ConfigImage::Modes) {
        sections.append(QStringLiteral("modes"));
        json.insert(QStringLiteral("autoprog"), page.autoprogText());
        json.insert(QStringLiteral("stopMode"), page.stopModeText());
    }
    if (loaded & ConfigImage::Channels) {
        sections.append(QStringLiteral("channels"));
        showChannels(ctx, page, held, &json);
    }
    if (loaded & ConfigImage::Statistics) {
        sections.append(QStringLiteral("statistics"));
        QJsonArray rows;
        for (int k = 1; k <= StatisticsPage::SlotCount; ++k)
            if (statisticsHeld(held, k))
                rows.append(
                    QJsonObject{{QStringLiteral("slot"), k},
                                {QStringLiteral("name"), statisticsName(ws.statistics(), k)},
                                {QStringLiteral("value"), QJsonValue(qint64(ws.statistics().value(k)))}});
        json.insert(QStringLiteral("statistics"), rows);
    }
    json.insert(QStringLiteral("sections"), sections);
    json.insert(QStringLiteral("absent"), QJsonArray::fromStringList(absentSections(ws.tree())));
    CliJson::write(ctx.out, json);
    return 0;
}

int runShow(CliContext &ctx)
{
    ConfigWorkspace ws(ctx.session, ctx.prompts, ctx.dataDir);
    if (!ws.load())
        return CliExitCodes::FileError;
    ConfigPage &page = ws.page();
    if (ws.files().FileOpen(ctx.options.args.first()) != ConfigFiles::Done)
        return CliExitCodes::FileError;
    const int loaded = page.image().loadedSections;
    const QSet<int> held = heldBlocks(ws.tree());
    if (ctx.options.json)
        return showJson(ctx, ws, held);
    if (loaded & ConfigImage::Configuration) {
        ctx.out << Msg(524) << '\n';
        showLines(ctx, page, held, nullptr);
        showParameters(ctx, page, held, nullptr);
    }
    if (loaded & ConfigImage::Modes)
        ctx.out << Msg(525) << '\n'
                << " " << Msg(33).trimmed() << ": " << page.autoprogText() << '\n'
                << " " << Msg(34).trimmed() << ": " << page.stopModeText() << '\n';
    if (loaded & ConfigImage::Channels) {
        ctx.out << Msg(63) << '\n';
        showChannels(ctx, page, held, nullptr);
    }
    if (loaded & ConfigImage::Statistics) {
        ctx.out << Msg(274) << '\n';
        StatisticsPage &stats = ws.statistics();
        for (int k = 1; k <= StatisticsPage::SlotCount; ++k) {
            if (statisticsHeld(held, k))
                ctx.out << "  " << k << '\t' << statisticsName(stats, k) << '\t' << stats.value(k) << '\n';
        }
    }
    const QStringList absent = absentSections(ws.tree());
    if (!absent.isEmpty())
        ctx.out << Msg(641) << absent.join(QStringLiteral(", ")) << '\n';
    ctx.out.flush();
    return 0;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("show"), QStringLiteral("FILE.xml"), 513, CliCommand::Device::None, 1, 1, &runShow});
} // namespace
