// Any bytes as the selector's side of an exchange, split between the link's polls in any way,
// driven through the rule both exchanges use below their timed waits. Properties: a framed reply
// that is taken has exactly the length its length byte announces, a right checksum and the
// host as destination, and was whole at the poll that took it and at no earlier one; an
// unframed reply that is taken has exactly the length asked for and came before the last poll;
// nothing else is handed over, and no code but the documented ones comes back.
//
// Input: flags (bit 0 unframed, bit 1 the true echo comes first, bits 2-7 the poll budget),
// then for a framed exchange destination, header and data length, for an unframed one the reply
// length, first command byte and further command length; then pieces of the wire, each a
// control byte (low 5 bits: length - 1, high 3 bits: polls of silence before it) and its bytes.
#include "FuzzSupport.h"
#include "link/Checksum.h"
#include "link/ReplyWait.h"

#include <algorithm>

namespace {

struct Exchange
{
    bool framed = true;
    int budget = 0;
    QByteArray sent;            // what the host put on the bus, and so its echo
    int replyLength = 0;        // unframed only
    QList<QByteArray> arrivals; // arrivals[i] is fed just before poll i + 1
};

Exchange decode(const uint8_t *data, size_t size)
{
    Exchange x;
    const auto at = [&](size_t i) { return i < size ? data[i] : uint8_t(0); };
    const uint8_t flags = at(0);
    x.framed = !(flags & 1);
    x.budget = flags >> 2;
    if (x.framed) {
        QByteArray frame;
        frame.append(char(at(1)));
        frame.append(char(at(3)));
        frame.append(char(ReplyWait::HostAddress));
        frame.append(char(at(2)));
        for (int i = 0; i < at(3); ++i)
            frame.append(char(at(2) + i));
        frame.append(char(ccTalkChecksum(frame)));
        x.sent = frame;
    } else {
        x.replyLength = at(1);
        x.sent = QByteArray(1, char(at(2))) + QByteArray(at(3), 'U');
    }
    if (flags & 2)
        x.arrivals << x.sent;
    int poll = 0;
    for (size_t i = 4; i < size;) {
        const uint8_t control = data[i++];
        const size_t length = std::min<size_t>(size - i, size_t(control & 0x1F) + 1);
        poll += control >> 5;
        while (x.arrivals.size() <= poll)
            x.arrivals << QByteArray();
        x.arrivals[poll] += QByteArray(reinterpret_cast<const char *>(data + i), int(length));
        i += length;
    }
    return x;
}

// What the bus held when poll number n (from 1) looked at it.
QByteArray seenAt(const Exchange &x, int n)
{
    QByteArray out;
    for (int i = 0; i < n && i < x.arrivals.size(); ++i)
        out += x.arrivals.at(i);
    return out;
}

bool wholeFrameBehindEcho(const QByteArray &bus, int echo)
{
    return bus.size() > echo + 1 && bus.size() == echo + 5 + quint8(bus.at(echo + 1));
}

void checkFramed(const Exchange &x, const ReplyWait &wait)
{
    const int budget = std::max(1, x.budget);
    const int n = wait.pollsSpent();
    const quint8 result = wait.result();
    FUZZ_CHECK(result == ReplyWait::Accepted || result == ReplyWait::Corrupted ||
                   result == ReplyWait::TimedOut,
               "a framed result is 0, 1 or 2");
    FUZZ_CHECK(n >= 1 && n <= budget, "the wait keeps to its budget");
    for (int i = 1; i < n; ++i)
        FUZZ_CHECK(!wholeFrameBehindEcho(seenAt(x, i), x.sent.size()), "a whole reply ends the wait");
    const QByteArray bus = seenAt(x, n);
    if (result == ReplyWait::TimedOut) {
        FUZZ_CHECK(n == budget, "a time-out spends the whole budget");
        FUZZ_CHECK(!wholeFrameBehindEcho(bus, x.sent.size()), "a whole reply is not a time-out");
        FUZZ_CHECK(wait.reply().isEmpty(), "a time-out hands nothing over");
        return;
    }
    const QByteArray reply = wait.reply();
    FUZZ_CHECK(wholeFrameBehindEcho(bus, x.sent.size()), "only a whole reply is judged");
    FUZZ_CHECK(reply == bus.mid(x.sent.size()), "the reply is what follows the echo");
    FUZZ_CHECK(reply.size() >= 5 && reply.size() == quint8(reply.at(1)) + 5, "the length byte matches");
    const bool sumRight = ccTalkChecksum(reply.left(reply.size() - 1)) == quint8(reply.back());
    const bool forUs = quint8(reply.at(0)) == ReplyWait::HostAddress;
    FUZZ_CHECK((result == ReplyWait::Accepted) == (sumRight && forUs),
               "a reply is taken exactly when its checksum is right and it is addressed to the host");
}

void checkUnframed(const Exchange &x, const ReplyWait &wait)
{
    const int budget = std::max(1, x.budget);
    const int n = wait.pollsSpent();
    const quint8 result = wait.result();
    FUZZ_CHECK(result == ReplyWait::Accepted || result == ReplyWait::RawTimedOut,
               "an unframed result is 0 or 255");
    FUZZ_CHECK(n >= 1 && n <= budget, "the wait keeps to its budget");
    const int expected = x.sent.size() + x.replyLength;
    for (int i = 1; i < n; ++i)
        FUZZ_CHECK(seenAt(x, i).size() != expected, "a whole reply ends the wait");
    if (result == ReplyWait::RawTimedOut) {
        FUZZ_CHECK(n == budget, "a time-out spends the whole budget");
        FUZZ_CHECK(wait.reply().isEmpty(), "a time-out hands nothing over");
        return;
    }
    FUZZ_CHECK(n < budget, "a reply seen only at the last poll is too late");
    FUZZ_CHECK(seenAt(x, n).size() == expected, "the reply is whole when taken");
    FUZZ_CHECK(wait.reply().size() == x.replyLength, "the reply has exactly the length asked for");
    FUZZ_CHECK(wait.reply() == seenAt(x, n).mid(x.sent.size()), "the reply is what follows the echo");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Exchange x = decode(data, size);
    ReplyWait wait = x.framed ? ReplyWait::framed(x.sent.size(), x.budget)
                              : ReplyWait::unframed(x.sent.size(), x.replyLength, x.budget);
    for (int i = 0; !wait.finished(); ++i) {
        if (i < x.arrivals.size())
            wait.feed(x.arrivals.at(i));
        wait.poll();
    }
    FUZZ_CHECK(wait.received() == seenAt(x, wait.pollsSpent()), "every byte fed is kept in order");
    if (x.framed)
        checkFramed(x, wait);
    else
        checkUnframed(x, wait);
    return 0;
}
