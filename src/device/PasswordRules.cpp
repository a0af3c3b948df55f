#include "device/PasswordRules.h"

#include "app/Messages.h"

int PasswordRules::requiredLength(const QString &caption)
{
    return caption == Msg(115) ? 12 : 8;
}

bool PasswordRules::isHexText(const QString &text)
{
    for (QChar ch : text) {
        const ushort u = ch.toUpper().unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

QString PasswordRules::check(const QString &caption, const QString &text)
{
    if (text.size() != requiredLength(caption))
        return Msg(161);
    if (!isHexText(text))
        return Msg(160);
    return QString();
}

Prompts::Validator PasswordRules::validator(const QString &caption)
{
    return [caption](const QString &text) { return check(caption, text); };
}
