#pragma once

#include <QByteArray>

namespace SimBytes {

// The unsigned byte at index; callers check the size first.
inline quint8 u8(const QByteArray &bytes, int index)
{
    return static_cast<quint8>(bytes.at(index));
}

} // namespace SimBytes
