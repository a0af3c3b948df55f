#include "device/FactoryChallenge.h"

namespace {
quint8 swapNibbles(quint8 x)
{
    return static_cast<quint8>(((x & 0x0F) << 4) | (x >> 4));
}
quint8 invert(quint8 x)
{
    return static_cast<quint8>(~x);
}
} // namespace

QByteArray FactoryChallenge::response(const QByteArray &challenge, const QByteArray &password)
{
    if (challenge.size() != 6 || password.size() != 6)
        return QByteArray();
    auto c = [&](int i) { return static_cast<quint8>(challenge.at(i)); };
    auto p = [&](int i) { return static_cast<quint8>(password.at(i)); };
    QByteArray r(6, '\0');
    r[0] = static_cast<char>(swapNibbles(c(3)) ^ p(3));
    r[1] = static_cast<char>(swapNibbles(static_cast<quint8>(swapNibbles(c(4)) ^ p(4))));
    r[2] = static_cast<char>(swapNibbles(static_cast<quint8>(invert(c(0)) ^ p(0))));
    r[3] = static_cast<char>(swapNibbles(static_cast<quint8>(c(5) ^ p(5))));
    r[4] = static_cast<char>(invert(static_cast<quint8>(swapNibbles(c(2)) ^ p(2))));
    r[5] = static_cast<char>(invert(static_cast<quint8>(c(1) ^ p(1))));
    return r;
}
