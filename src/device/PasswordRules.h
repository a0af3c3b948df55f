#pragma once

#include "app/Prompts.h"

#include <QString>

// The password dialog's rules: 12 hex digits under the factory caption, 8 under any other
// (the PIN), upper case accepted after conversion. A refused entry keeps the dialog open.
class PasswordRules
{
public:
    // The number of digits the dialog with this caption takes.
    static int requiredLength(const QString &caption);
    // "" when the text is acceptable, else the message to show.
    static QString check(const QString &caption, const QString &text);
    static Prompts::Validator validator(const QString &caption);
    // True when every character is 0-9 or A-F (either case).
    static bool isHexText(const QString &text);
};
