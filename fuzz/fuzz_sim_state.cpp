// rxsim's state file. Property: a refused file leaves the selector untouched; an accepted one is
// saved, loaded into a fresh selector and saved again to the same bytes.
#include "FuzzSupport.h"
#include "sim/SelectorSim.h"
#include "sim/SimStateFile.h"

namespace {
QByteArray saved(const SelectorSim &sim, const QString &name)
{
    const QString path = fuzz::scratchPath(name);
    FUZZ_CHECK(SimStateFile::save(path, sim), "the state saves");
    return fuzz::readFile(path);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray fresh = saved(SelectorSim(), QStringLiteral("fresh.state"));
    const QByteArray content(reinterpret_cast<const char *>(data), int(size));
    SelectorSim sim;
    QString error;
    if (!SimStateFile::load(fuzz::writeScratch(QStringLiteral("input.state"), content), sim, &error)) {
        FUZZ_CHECK(!error.isEmpty(), "a refusal says why");
        FUZZ_CHECK(saved(sim, QStringLiteral("refused.state")) == fresh, "a refused file changes nothing");
        return 0;
    }
    const QByteArray first = saved(sim, QStringLiteral("first.state"));
    SelectorSim again;
    FUZZ_CHECK(SimStateFile::load(fuzz::scratchPath(QStringLiteral("first.state")), again, &error),
               "the saved state loads");
    FUZZ_CHECK(saved(again, QStringLiteral("second.state")) == first, "the state round-trips");
    return 0;
}
