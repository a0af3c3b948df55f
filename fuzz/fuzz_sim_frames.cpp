// Any bytes from a host into the simulated selector, split into arbitrary pieces with arbitrary
// silences between them. Property: every reply the selector gives is a whole ccTalk frame
// with a right checksum addressed to the host, and an address poll is a single byte.
#include "FuzzSupport.h"
#include "link/Checksum.h"
#include "sim/SelectorSim.h"

namespace {
void checkReply(const SelectorSim::Reply &r)
{
    if (r.addressPoll) {
        FUZZ_CHECK(r.bytes.size() == 1, "an address poll answer is one byte");
        return;
    }
    if (r.bytes.isEmpty())
        return; // a missing echo alone
    const QByteArray &b = r.bytes;
    FUZZ_CHECK(b.size() >= 5, "a reply is a whole frame");
    FUZZ_CHECK(b.size() == quint8(b.at(1)) + 5, "the length byte matches the frame");
    FUZZ_CHECK(ccTalkChecksum(b.left(b.size() - 1)) == quint8(b.back()), "the checksum is right");
    FUZZ_CHECK(quint8(b.at(3)) == 0 || quint8(b.at(3)) == 5, "a reply is an ACK or a NAK");
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SelectorSim sim;
    qint64 now = 0;
    size_t at = 0;
    // Each piece: one control byte (length in the low bits, silence in the high bits), then bytes.
    while (at < size) {
        const quint8 control = data[at++];
        const size_t length = std::min<size_t>(size - at, size_t(control & 0x1F) + 1);
        now += (control >> 5) * 25;
        const QByteArray piece(reinterpret_cast<const char *>(data + at), int(length));
        at += length;
        // Byte by byte at the same instant is what feed() does with the piece, and shows each
        // reply with the mode it was given in.
        for (char c : piece) {
            const bool monitorBefore = sim.inMonitor();
            const QList<SelectorSim::Reply> replies = sim.feed(QByteArray(1, c), sim.currentBaud(), now);
            if (monitorBefore || sim.inMonitor())
                continue; // the boot monitor speaks its own record format
            for (const SelectorSim::Reply &r : replies)
                checkReply(r);
        }
        now += 1;
    }
    return 0;
}
