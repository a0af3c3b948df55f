#include "config/ConfigImage.h"

#include "config/ConfigHex.h"

static bool isFlags(const QString &text)
{
    for (const QChar c : text)
        if (c != QLatin1Char('Y') && c != QLatin1Char('N'))
            return false;
    return true;
}

ConfigImage::ConfigImage()
    : m_params(ParamCount, char(0)), m_paramFlags(ParamCount, QLatin1Char('N')),
      m_countryCodes(QStringLiteral("........"))
{
    for (int k = 0; k < LineCount; ++k) {
        m_lines[k] = QByteArray(8, char(0xFF));
        m_lineFlags[k] = QStringLiteral("NNNN");
    }
}

QString ConfigImage::paramText() const
{
    return ConfigHex::hexBytes(m_params) + m_paramFlags;
}

bool ConfigImage::setParamText(const QString &text, QString *bad)
{
    const QString digits = text.left(2 * ParamCount);
    const QString flags = text.mid(2 * ParamCount);
    if (digits.size() != 2 * ParamCount || !ConfigHex::isHex(digits) ||
        !(flags.isEmpty() || (flags.size() == ParamCount && isFlags(flags)))) {
        if (bad)
            *bad = text;
        return false;
    }
    m_params = QByteArray::fromHex(digits.toLatin1());
    if (!flags.isEmpty())
        m_paramFlags = flags;
    return true;
}

QString ConfigImage::lineText(int k) const
{
    return ConfigHex::hexBytes(m_lines.at(k)) + m_lineFlags.at(k);
}

bool ConfigImage::setLineText(int k, const QString &text, QString *bad)
{
    if (text.isEmpty()) {
        m_lines[k] = QByteArray(8, char(0xFF));
        return true;
    }
    const QString digits = text.left(16);
    const QString flags = text.mid(16);
    if (digits.size() != 16 || !ConfigHex::isHex(digits) ||
        !(flags.isEmpty() || (flags.size() == 4 && isFlags(flags)))) {
        if (bad)
            *bad = text;
        return false;
    }
    m_lines[k] = QByteArray::fromHex(digits.toLatin1());
    if (!flags.isEmpty())
        m_lineFlags[k] = flags;
    return true;
}

void ConfigImage::setLineFlags(int k, const QString &flags)
{
    m_lineFlags[k] = (flags.size() == 4 && isFlags(flags)) ? flags : QStringLiteral("NNNN");
}

QString ConfigImage::lineHead(int k) const
{
    return ConfigHex::hexBytes(m_lines.at(k).left(2));
}

void ConfigImage::setCountryCodes(const QString &codes)
{
    m_countryCodes = codes.left(8).leftJustified(8, QLatin1Char('.'));
}
