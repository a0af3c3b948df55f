#pragma once

#include "link/Checksum.h"

#include <QByteArray>
#include <initializer_list>

// Wire bytes written as numbers, and a frame closed with its ccTalk checksum.
inline QByteArray frameBytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}

inline QByteArray withChecksum(QByteArray frame)
{
    frame.append(static_cast<char>(ccTalkChecksum(frame)));
    return frame;
}
