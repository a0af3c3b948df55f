#include "diag/DiagReadings.h"

#include "app/Messages.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

#include <QStringList>

namespace DiagReadings {

const char *const AnalogNames[5] = {"AM1", "PH1", "AM2", "PH2", "PI3"};

namespace {

quint8 u8(const QByteArray &b, int i)
{
    return quint8(b.at(i));
}

} // namespace

bool request(CcTalkLink &link, const QByteArray &command, int polls, int need, QByteArray &data, quint8 *result)
{
    QByteArray reply;
    const quint8 r = link.Transact(link.DeviceAddress, command, polls, reply);
    if (result)
        *result = r;
    if (r != CcTalkLink::Ok || !ReplyFrame::isAck(reply))
        return false;
    const QByteArray d = ReplyFrame::data(reply);
    // A reply shorter than the bytes used is not read past.
    if (d.size() < need)
        return false;
    data = d;
    return true;
}

int roundHalfEven(long long numerator, long long denominator)
{
    long long q = numerator / denominator;
    const long long twice = 2 * (numerator % denominator);
    if (twice > denominator || (twice == denominator && (q & 1)))
        ++q;
    return int(q);
}

Analog decodeAnalog(const QByteArray &data)
{
    Analog a;
    for (int i = 0; i < 5; ++i)
        a.millivolts[size_t(i)] = u8(data, 4 + i) * 10;
    a.vcc = roundHalfEven(u8(data, 9) * 26LL, 168);
    a.reg1 = roundHalfEven((u8(data, 0) * 256LL + u8(data, 1)) * 100, 1474);
    a.reg2 = roundHalfEven((u8(data, 2) * 256LL + u8(data, 3)) * 100, 1474);
    a.raw = data;
    return a;
}

bool readInputs(CcTalkLink &link, Inputs &out)
{
    QByteArray d;
    if (!request(link, QByteArray(1, char(237)), 20, 2, d))
        return false;
    out.sw1 = u8(d, 0);
    out.sw2 = u8(d, 1);
    return true;
}

bool readDeviceType(CcTalkLink &link, QString &out)
{
    QByteArray d;
    if (!request(link, QByteArray::fromHex("FF08"), 5, 4, d))
        return false;
    out = QString::fromLatin1(d.left(4));
    return true;
}

bool readAnalog(CcTalkLink &link, Analog &out)
{
    // The eleventh byte (temperature) is not shown, but a reply without it is not whole.
    QByteArray d;
    if (!request(link, QByteArray::fromHex("FF04"), 20, 11, d))
        return false;
    out = decodeAnalog(d.left(11));
    return true;
}

bool readOpto(CcTalkLink &link, quint8 &out)
{
    QByteArray d;
    if (!request(link, QByteArray(1, char(236)), 5, 1, d))
        return false;
    out = u8(d, 0);
    return true;
}

bool readCreditEvents(CcTalkLink &link, CreditEvents &out)
{
    QByteArray d;
    if (!request(link, QByteArray(1, char(229)), 5, 11, d))
        return false;
    out.counter = u8(d, 0);
    for (int i = 0; i < 10; ++i)
        out.pairs[size_t(i)] = u8(d, 1 + i);
    return true;
}

quint8 send(CcTalkLink &link, const QByteArray &command, int polls)
{
    QByteArray reply;
    return link.Transact(link.DeviceAddress, command, polls, reply);
}

int newEventCount(quint8 last, quint8 now)
{
    if (now == last || now == 0)
        return 0;
    int n = (int(now) - int(last) + 256) % 256;
    if (now < last && last != 0)
        --n; // the counter went from 255 to 1, skipping 0
    return n;
}

QStringList eventLines(const CreditEvents &events, int count)
{
    QStringList lines;
    if (count < 1 || count > 5)
        return lines;
    for (int k = count; k >= 1; --k) {
        const quint8 a = events.pairs[size_t(2 * (k - 1))];
        lines << (a != 0 ? Msg(73) + QString::number(a) : Msg(223));
    }
    return lines;
}

} // namespace DiagReadings
