#pragma once

#include <QByteArray>

// Simple ccTalk checksum: the byte that makes the 8-bit sum of the frame zero.
inline quint8 ccTalkChecksum(const QByteArray &bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<quint8>(c);
    return static_cast<quint8>((256 - sum % 256) % 256);
}
