#pragma once

#include <QByteArray>
#include <QString>

// Text that should have been a number and was not. Thrown by the conversions below and
// caught where the user's operation started, which shows conversionErrorText().
struct ConversionError
{
    QString text;
};

// The conversion error as the user sees it: the offending text and the message.
QString conversionErrorText(const ConversionError &e);

// Conversions between catalogue or image text and bytes. Every byte leaves as exactly
// two upper-case digits, so a value never shifts its neighbours in a text image.
namespace ConfigHex {

bool isHex(const QString &text);
// A byte from hex text: one digit is padded, leading zeros are allowed, anything that
// is not hex or exceeds 0xFF throws.
int byteValue(const QString &text);
// A 16-bit value ("Time base").
int wordValue(const QString &text);
// Sixteen hex digits to eight bytes; throws on anything else.
QByteArray definition(const QString &text);
// Concatenated two-digit codes ("1080" is 10 and 80); an odd length throws.
QList<int> codeList(const QString &text);
QString hex2(int value);
QString hexBytes(const QByteArray &bytes);

} // namespace ConfigHex
