#pragma once

#include "app/Prompts.h"

#include <QList>
#include <QStringList>

// Records everything shown and answers from queues, for tests. With a queue empty a
// confirmation answers No/Cancel, a dialog is cancelled and a file dialog returns "".
class ScriptedPrompts : public Prompts
{
public:
    enum class Kind { Error, Warning, Information, Confirm, Password, InputText, OpenFile, SaveFile };
    struct Shown
    {
        Kind kind;
        QString text;
    };

    void error(const QString &text) override;
    void warning(const QString &text) override;
    void information(const QString &text) override;
    Answer confirm(const QString &text, Buttons buttons) override;
    bool password(const QString &caption, const Validator &validate, QString &result) override;
    bool inputText(const QString &caption, const QString &label, const Validator &validate,
                   QString &result) override;
    QString openFileName(const QString &caption, const QString &directory, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &directory, const QString &filter) override;

    void queueAnswer(Answer answer) { m_answers.append(answer); }
    // Each queued text is one press of OK in the dialog; an empty QString() cancels.
    void queuePassword(const QString &text) { m_passwords.append(text); }
    void queueText(const QString &text) { m_texts.append(text); }
    void queueFileName(const QString &path) { m_files.append(path); }

    QList<Shown> shown() const { return m_shown; }
    // The texts of one kind, in order.
    QStringList texts(Kind kind) const;
    // Every text shown, of any kind.
    QStringList allTexts() const;
    void clear();

private:
    bool runDialog(QStringList &queue, const Validator &validate, QString &result);

    QList<Shown> m_shown;
    QList<Answer> m_answers;
    QStringList m_passwords;
    QStringList m_texts;
    QStringList m_files;
};
