// A firmware file of S-records. Property: the file is accepted exactly when every line up to the
// trailing blank ones is a well-formed record, and each accepted line frames to the boot
// monitor's record of the right length.
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
    FUZZ_CHECK(identity.isEmpty() || identity.size() == 9, "the header identity is 9 bytes");
    for (int i = 0; i < file.lineCount(); ++i) {
        const QString &line = file.lines().at(i);
        FUZZ_CHECK(FirmwareFile::checkLine(line) == FirmwareFile::Problem::None, "every kept line checks");
        const QByteArray frame = FirmwareFile::frame(line, i == 0);
        FUZZ_CHECK(frame.size() == 2 + (line.size() - 2) / 2, "the frame carries the record's bytes");
        FUZZ_CHECK(quint8(frame.at(0)) == 0x55, "the frame starts with the record mark");
    }
    return 0;
}
