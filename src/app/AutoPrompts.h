#pragma once

#include "app/Prompts.h"

#include <QStringList>

class QTextStream;

// Answers without asking, for non-interactive runs (the command-line tool, screenshots):
// messages go to a stream (stderr by default), confirmations take the configured answer,
// the password dialog gets the configured PIN or password once, file dialogs the queued names.
class AutoPrompts : public Prompts
{
public:
    explicit AutoPrompts(QTextStream *out = nullptr);

    void setAnswerYes(bool yes) { m_yes = yes; }
    void setPassword(const QString &text) { m_password = text; }
    void setText(const QString &text) { m_text = text; }
    void queueFileName(const QString &path) { m_files.append(path); }

    void error(const QString &text) override;
    void warning(const QString &text) override;
    void information(const QString &text) override;
    Answer confirm(const QString &text, Buttons buttons) override;
    bool password(const QString &caption, const Validator &validate, QString &result) override;
    bool inputText(const QString &caption, const QString &label, const Validator &validate,
                   QString &result) override;
    QString openFileName(const QString &caption, const QString &directory, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &directory, const QString &filter) override;

    // Every error and warning shown so far, for the caller's exit status.
    QStringList errors() const { return m_errors; }
    QStringList messages() const { return m_messages; }

protected:
    enum class Kind { Error, Warning, Information, Question };
    // Every shown text passes here: the command-line tool writes it otherwise for scripts.
    virtual void print(const QString &text, Kind kind);

private:
    QTextStream *m_out;
    bool m_yes = false;
    QString m_password;
    QString m_text;
    QStringList m_files;
    QStringList m_errors;
    QStringList m_messages;
};
