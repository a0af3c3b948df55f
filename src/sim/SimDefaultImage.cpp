#include "sim/SimDefaultImage.h"

#include "sim/SelectorSim.h"

namespace {

void put(QByteArray &image, int address, const QByteArray &bytes)
{
    image.replace(address - SelectorSim::MemoryStart, bytes.size(), bytes);
}

void putHex(QByteArray &image, int address, const char *hex)
{
    put(image, address, QByteArray::fromHex(hex));
}

// One coin channel: centre values, tolerances, status, sorter path, id byte, value.
QByteArray channel(const char *centres, const char *tolerances, quint8 path, quint8 id, quint8 value)
{
    QByteArray record = QByteArray::fromHex(centres) + QByteArray::fromHex(tolerances);
    record.append(char(0x70)); // enabled, reported over ccTalk
    record.append(char(path));
    record.append(char(id));
    record.append(char(value));
    return record;
}

} // namespace

QByteArray SimDefaultImage::erased()
{
    return QByteArray(SelectorSim::MemorySize, char(0xFF));
}

QByteArray SimDefaultImage::build()
{
    QByteArray image = erased();

    // Euro coins 0.10 .. 2.00 in credit units of 0.10; id byte = value code, mint A, zone EU.
    put(image, 0x0600, channel("5A6E48823C64", "060806080A04", 1, 0x04, 1));
    put(image, 0x0610, channel("667A5290466E", "060806080A04", 1, 0x05, 2));
    put(image, 0x0620, channel("7486609E5078", "070907090B05", 1, 0x07, 5));
    put(image, 0x0630, channel("8C9A70B05C84", "070907090B05", 2, 0x08, 10));
    put(image, 0x0640, channel("9EAC82C46A92", "080A080A0C05", 2, 0x09, 20));
    put(image, 0x0650, channel("7C8E66A8547C", "05070507090C", 3, 0x1F, 0)); // token, no value
    // Channels 7..16 stay erased.

    // I/O lines: Output1..Output6, In2Out7, Input1.
    putHex(image, 0x0700,
           "050001FF00000A0A"
           "0000FF0000000A0A"
           "000000FF00000A0A"
           "0706BFFF00000A0A"
           "FFFFFFFFFFFFFFFF"
           "FFFFFFFFFFFFFFFF"
           "800001FF00000A0A"
           "820101FF000000FF");

    // Modes and factory data: stop mode 1 (so the stop time shows), averaged analog values,
    // calibration offsets, open protection masks.
    put(image, 0x0740, QByteArray(0x60, char(0x00)));
    putHex(image, 0x0747, "04");
    putHex(image, 0x0751, "7A90");
    putHex(image, 0x0759, "58");
    putHex(image, 0x075C, "0281000301820000");
    putHex(image, SelectorSim::MaskAddress, "FFFFFFFF");

    // Common parameters, then the four country codes.
    putHex(image, 0x07A0, "010A0114031E000A3C01000100FF00FF0000"); // stop time 10 s
    put(image, 0x07B2, QByteArrayLiteral("EUTKHRIT"));

    // Statistic options and their counters (most significant byte first).
    putHex(image, 0x07EA,
           "0102030405111213"
           "20FFFFFFFFFFFFFFFFFFFFFF");
    put(image, 0x0800, QByteArray(60, char(0x00)));
    putHex(image, 0x0800,
           "0004D2"   // coins accepted: 1234
           "000038"   // rejected: 56
           "00121A"   // credits paid: 4634
           "00121A"   // value paid
           "000003"   // fraud attempts
           "0001F4"   // sorter path 1
           "0002BC"   // sorter path 2
           "00002A"   // sorter path 3
           "00000F"); // timer runs
    return image;
}
