// rxsim's control channel: lines of text as a test script or a person types them. Property: each
// line gets one reply line beginning OK or ERR.
#include "FuzzSupport.h"
#include "sim/SimBus.h"
#include "sim/SimControl.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SimBus bus;
    bus.addSelector();
    SimControl control(&bus);
    for (const QByteArray &line : fuzz::parts(data, size, '\n', 32)) {
        const QString reply = control.execute(QString::fromLatin1(line));
        FUZZ_CHECK(reply.startsWith(QLatin1String("OK")) || reply.startsWith(QLatin1String("ERR")),
                   "a reply begins OK or ERR");
        FUZZ_CHECK(!reply.contains(QLatin1Char('\n')) && !reply.contains(QLatin1Char('\r')),
                   "a reply is one line");
    }
    return 0;
}
