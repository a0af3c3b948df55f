#include "config/ConfigHex.h"

#include "app/Messages.h"

#include <QList>

QString conversionErrorText(const ConversionError &e)
{
    return QStringLiteral("'") + e.text + QStringLiteral("'") + Msg(461);
}

namespace ConfigHex {

bool isHex(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        const char a = c.toLatin1();
        if (!((a >= '0' && a <= '9') || (a >= 'A' && a <= 'F') || (a >= 'a' && a <= 'f')))
            return false;
    }
    return true;
}

static uint hexNumber(const QString &text, uint limit)
{
    const QString t = text.trimmed();
    if (!isHex(t))
        throw ConversionError{text};
    bool ok = false;
    const qulonglong v = t.size() > 16 ? 0 : t.toULongLong(&ok, 16);
    if (!ok || v > limit)
        throw ConversionError{text};
    return uint(v);
}

int byteValue(const QString &text)
{
    return int(hexNumber(text, 0xFF));
}

int wordValue(const QString &text)
{
    return int(hexNumber(text, 0xFFFF));
}

QByteArray definition(const QString &text)
{
    if (text.size() != 16 || !isHex(text))
        throw ConversionError{text};
    return QByteArray::fromHex(text.toLatin1());
}

QList<int> codeList(const QString &text)
{
    const QString t = text.trimmed();
    QList<int> out;
    if (t.isEmpty())
        return out;
    if (t.size() % 2 != 0 || !isHex(t))
        throw ConversionError{text};
    for (int i = 0; i < t.size(); i += 2)
        out << t.mid(i, 2).toInt(nullptr, 16);
    return out;
}

QString hex2(int value)
{
    return QString::asprintf("%02X", value & 0xFF);
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

} // namespace ConfigHex
