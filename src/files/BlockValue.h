#pragma once

#include <QList>
#include <QString>

class TXMLItem;

// The attributes and value of one Data element as the transfers and conversions read them.
class BlockValue
{
public:
    // The four characters after "0x" of the address attribute as a hex number, 0 when
    // missing or invalid (groups and the root give 0).
    static int address(const TXMLItem *item);
    // The length attribute as a decimal number, 0 when missing or not a number.
    static int length(const TXMLItem *item);
    // "0x" and four upper-case hex digits.
    static QString addressText(int address);
    // Checks a value against its block length and brings it to the stored form: upper-case
    // hex, one digit padded for a one-byte block; longer values are kept whole (only the
    // first 2 x length digits are ever sent). false when it cannot be a value of that block.
    static bool normalise(QString &value, int length);
    // The region code and the loaded-sections bit of a block start address; 0 for none.
    static quint8 regionOf(int address);
    static int sectionOf(int address);

    // A configuration file holds ".." for the fourth country code (0x07B8, 0x07B9), not the
    // selector's code: those bytes are never written from a document nor compared, so that the
    // selector keeps its own. The parts of a block that are written, as byte offset and count.
    struct Part
    {
        int offset;
        int count;
    };
    static QList<Part> carriedParts(int address, int length);
    // The carried bytes of a block value (the first 2 x length digits), as upper-case hex.
    static QString carriedHex(const QString &value, int address, int length);
    // The value as a file holds it: ".." in the bytes a file does not carry.
    static QString asFileHolds(QString value, int address, int length);
};
