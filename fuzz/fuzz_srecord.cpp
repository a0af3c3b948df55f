// A firmware file of S-records. Properties: an accepted file is a header, well-formed records and
// a termination record last, and each line frames to the boot monitor's record of the right
// length; a refused one keeps nothing and says why.
#include "FuzzSupport.h"
#include "upgrade/FirmwareFile.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), int(size));
    FirmwareFile file;
    const bool ok = file.load(fuzz::writeScratch(QStringLiteral("input.u19"), content));
    FUZZ_CHECK(ok == (file.problem() == FirmwareFile::Problem::None), "the result matches the problem");
    FUZZ_CHECK(ok || !file.problemText().isEmpty(), "a refusal has a message");
    if (!ok) {
        FUZZ_CHECK(file.lineCount() == 0, "a refused file keeps no lines");
        return 0;
    }
    FUZZ_CHECK(file.lineCount() > 0, "an accepted file has records");
    const QByteArray identity = file.headerIdentity();
    FUZZ_CHECK(identity.size() == 9, "the header identity is 9 bytes");
    FUZZ_CHECK(file.lines().first().startsWith("S0"), "an accepted file begins with its header");
    const char last = file.lines().last().size() > 1 ? file.lines().last().at(1) : 0;
    FUZZ_CHECK(last == '7' || last == '8' || last == '9', "an accepted file ends with a termination record");
    for (int i = 0; i < file.lineCount(); ++i) {
        const QByteArray &line = file.lines().at(i);
        FUZZ_CHECK(FirmwareFile::checkLine(line) == FirmwareFile::Problem::None, "every kept line checks");
        const QByteArray frame = FirmwareFile::frame(line, i == 0);
        FUZZ_CHECK(frame.size() == 2 + (line.size() - 2) / 2, "the frame carries the record's bytes");
        FUZZ_CHECK(quint8(frame.at(0)) == 0x55, "the frame starts with the record mark");
    }
    return 0;
}
