// A configuration file through File Open (the template merge, the XML reader, the value check),
// then decoded the way `show` reads the window. Property: what File Open accepts, File Save's
// writer writes back, and that file opens again and writes the same bytes.
#include "FuzzSupport.h"
#include "app/ScriptedPrompts.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "stats/ConfigWorkspace.h"

namespace {

void decodeLikeShow(ConfigWorkspace &ws)
{
    ConfigPage &page = ws.page();
    volatile qsizetype sink = page.versionEntries().size() + page.versionIndex();
    for (int k = 1; k <= ConfigPage::LineCount; ++k)
        sink = sink + page.line(k).functions.size() + page.line(k).value;
    for (int p = 0; p < ConfigImage::ParamCount; ++p)
        sink = sink + page.paramValue(p) + page.paramUnit(p).size();
    sink = sink + page.image().countryCodes().size();
    for (int n = 1; n <= ChannelTable::ChannelCount; ++n)
        sink = sink + page.channels().ChannelToString(n).size() + page.channels().row(n).value.size();
    StatisticsPage &stats = ws.statistics();
    for (int k = 1; k <= StatisticsPage::SlotCount; ++k)
        sink =
            sink + (stats.selection(k) >= 0 ? stats.selectedName(k).size() : 0) + qsizetype(stats.value(k));
    (void)sink;
}

// Opens content as the user's file; the bytes File Save would write, empty when not opened.
QByteArray openAndSave(const QByteArray &content, bool *opened)
{
    const QString file = fuzz::writeScratch(QStringLiteral("input.xml"), content);
    ScriptedPrompts prompts;
    CcTalkLink link;
    DeviceSession session(link, prompts, fuzz::scratchDir());
    ConfigWorkspace ws(session, prompts, fuzz::scratchDir());
    FUZZ_CHECK(ws.load(), "the workspace starts");
    *opened = ws.files().FileOpen(file) == ConfigFiles::Done;
    if (!*opened)
        return QByteArray();
    decodeLikeShow(ws);
    FUZZ_CHECK(ws.files().screen_2_xml(), "an opened file converts back from the window");
    return ws.tree().buildFile(ws.files().templatePath());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApp();
    for (const char *name : {"rx30.ini", "io.ini", "template.xml"}) {
        const QString to = fuzz::scratchPath(QLatin1String(name));
        QFile::copy(QStringLiteral(RX_FUZZ_DATA_DIR "/") + QLatin1String(name), to);
        QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bool opened = false;
    const QByteArray first =
        openAndSave(QByteArray(reinterpret_cast<const char *>(data), int(size)), &opened);
    // RX_FUZZ_VERBOSE=1 shows how far an input got (to see that the seeds reach the round trip).
    if (qEnvironmentVariableIsSet("RX_FUZZ_VERBOSE"))
        std::fprintf(stderr, "opened %d, wrote %d bytes\n", int(opened), int(first.size()));
    if (!opened || first.isEmpty())
        return 0;
    bool again = false;
    const QByteArray second = openAndSave(first, &again);
    if (qEnvironmentVariableIsSet("RX_FUZZ_VERBOSE")) {
        fuzz::writeScratch(QStringLiteral("first.xml"), first);
        fuzz::writeScratch(QStringLiteral("second.xml"), second);
        QFile::copy(fuzz::scratchPath(QStringLiteral("first.xml")), QStringLiteral("first.xml"));
        QFile::copy(fuzz::scratchPath(QStringLiteral("second.xml")), QStringLiteral("second.xml"));
    }
    FUZZ_CHECK(again, "the file we wrote opens");
    FUZZ_CHECK(second == first, "the file we wrote writes back the same");
    return 0;
}
