#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The one door to the user. Every message box, confirmation, the password dialog, the
// text-input dialog and the file dialogs go through it: Qt dialogs in the desktop
// program, options and stderr in the CLI, a scripted object in tests.
class Prompts
{
public:
    enum class Buttons { YesNo, YesNoCancel, OkCancel };
    enum class Answer { Ok, Cancel, Yes, No };
    // A validator's answer: empty when the text is acceptable, else the message to show, as
    // an error or, for a step not yet taken (an empty name), as information. The dialog then
    // stays open for another try.
    struct Verdict
    {
        Verdict(const QString &message = QString(), bool isAdvice = false) : text(message), advice(isAdvice)
        {
        }
        bool isEmpty() const { return text.isEmpty(); }
        QString text;
        bool advice = false;
    };
    using Validator = std::function<Verdict(const QString &text)>;

    virtual ~Prompts() = default;

    virtual void error(const QString &text) = 0;
    virtual void warning(const QString &text) = 0;
    virtual void information(const QString &text) = 0;
    virtual Answer confirm(const QString &text, Buttons buttons) = 0;

    // Masked entry with the given caption. false when cancelled.
    virtual bool password(const QString &caption, const Validator &validate, QString &result) = 0;
    // Plain text entry (a new configuration name). false when cancelled.
    virtual bool inputText(const QString &caption, const QString &label, const Validator &validate,
                           QString &result) = 0;
    // File dialogs: "" when cancelled. filter is Qt's form, e.g. "XML files (*.xml)".
    virtual QString openFileName(const QString &caption, const QString &directory, const QString &filter) = 0;
    virtual QString saveFileName(const QString &caption, const QString &directory, const QString &filter) = 0;

    // Shows a validator's objection in the box its kind asks for.
    void complain(const Verdict &verdict)
    {
        if (verdict.advice)
            information(verdict.text);
        else
            error(verdict.text);
    }
};
