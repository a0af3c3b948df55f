#include "files/BlockValue.h"

#include "files/SectionTree.h"

int BlockValue::address(const TXMLItem *item)
{
    const QString text = SectionTree::ParamValue(item, QStringLiteral("address"));
    const int at = text.indexOf(QStringLiteral("0x"));
    if (at < 0)
        return 0;
    const QString digits = text.mid(at + 2, 4);
    bool ok = false;
    const int value = digits.toInt(&ok, 16);
    return ok && digits.size() == 4 ? value : 0;
}

int BlockValue::length(const TXMLItem *item)
{
    bool ok = false;
    const int value = SectionTree::ParamValue(item, QStringLiteral("length")).toInt(&ok, 10);
    return ok && value > 0 ? value : 0;
}

QString BlockValue::addressText(int address)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
}

bool BlockValue::normalise(QString &value, int length)
{
    QString text = value.toUpper();
    for (QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    }
    if (length == 1 && text.size() == 1)
        text.prepend(QLatin1Char('0'));
    if (length <= 0 || text.size() < 2 * length)
        return false;
    value = text;
    return true;
}

quint8 BlockValue::regionOf(int address)
{
    if (address >= 0x0600 && address <= 0x06FF)
        return 0x01;
    if (address >= 0x0700 && address <= 0x073F)
        return 0x02;
    if (address >= 0x0740 && address <= 0x079F)
        return 0x04;
    if (address >= 0x07A0 && address <= 0x07E9)
        return 0x08;
    if (address >= 0x07EA && address <= 0x07FD)
        return 0x10;
    if (address >= 0x0800 && address <= 0x083F)
        return 0x20;
    return 0;
}

int BlockValue::sectionOf(int address)
{
    switch (regionOf(address)) {
    case 0x01:
        return 0x01;
    case 0x02:
    case 0x08:
        return 0x02;
    case 0x04:
        return 0x04;
    case 0x10:
    case 0x20:
        return 0x08;
    default:
        return 0;
    }
}

namespace {
constexpr int NotCarriedFirst = 0x07B8;
constexpr int NotCarriedEnd = 0x07BA;
} // namespace

QList<BlockValue::Part> BlockValue::carriedParts(int address, int length)
{
    QList<Part> parts;
    const int end = address + length;
    if (end <= NotCarriedFirst || address >= NotCarriedEnd) {
        parts.append({0, length});
        return parts;
    }
    if (address < NotCarriedFirst)
        parts.append({0, NotCarriedFirst - address});
    if (end > NotCarriedEnd)
        parts.append({NotCarriedEnd - address, end - NotCarriedEnd});
    return parts;
}

QString BlockValue::carriedHex(const QString &value, int address, int length)
{
    const QString sent = value.left(2 * length).toUpper();
    QString out;
    for (const Part &p : carriedParts(address, length))
        out += sent.mid(2 * p.offset, 2 * p.count);
    return out;
}

QString BlockValue::asFileHolds(QString value, int address, int length)
{
    for (int a = qMax(address, NotCarriedFirst); a < qMin(address + length, NotCarriedEnd); ++a)
        value.replace(2 * (a - address), 2, QStringLiteral("2E"));
    return value;
}
