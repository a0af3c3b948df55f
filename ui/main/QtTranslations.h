#pragma once

#include <QString>

// Qt's own texts (standard buttons, file dialogs) in the program's language: Qt's
// translation for the language, and beneath it the message table's texts for the
// standard buttons, for a language or an installation for which Qt ships none.
class QtTranslations
{
public:
    // code: "en", "it" or "hr". dir: where Qt's translations lie (Qt's own folder when
    // empty). Replaces what an earlier call installed. true when Qt's translation loaded.
    static bool install(const QString &code, const QString &dir = QString());
};
