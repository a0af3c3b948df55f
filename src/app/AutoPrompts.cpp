#include "app/AutoPrompts.h"

#include <QTextStream>
#include <cstdio>

namespace {
QTextStream &standardError()
{
    static QTextStream err(stderr);
    return err;
}
} // namespace

AutoPrompts::AutoPrompts(QTextStream *out) : m_out(out ? out : &standardError())
{
}

void AutoPrompts::print(const QString &text, Kind)
{
    m_messages << text;
    *m_out << text << Qt::endl;
}

void AutoPrompts::error(const QString &text)
{
    m_errors << text;
    print(text, Kind::Error);
}

void AutoPrompts::warning(const QString &text)
{
    m_errors << text;
    print(text, Kind::Warning);
}

void AutoPrompts::information(const QString &text)
{
    print(text, Kind::Information);
}

Prompts::Answer AutoPrompts::confirm(const QString &text, Buttons buttons)
{
    const bool ok = m_yes;
    Answer answer;
    if (buttons == Buttons::OkCancel)
        answer = ok ? Answer::Ok : Answer::Cancel;
    else
        answer = ok ? Answer::Yes : Answer::No;
    print(text + (ok ? QStringLiteral(" [yes]") : QStringLiteral(" [no]")), Kind::Question);
    return answer;
}

bool AutoPrompts::password(const QString &caption, const Validator &validate, QString &result)
{
    // The configured text is offered once: repeating a refused password would only be refused again.
    if (m_password.isEmpty()) {
        print(caption, Kind::Question);
        return false;
    }
    const Verdict problem = validate ? validate(m_password) : Verdict();
    if (!problem.isEmpty()) {
        complain(problem);
        return false;
    }
    result = m_password;
    return true;
}

bool AutoPrompts::inputText(const QString &caption, const QString &, const Validator &validate,
                            QString &result)
{
    if (m_text.isEmpty()) {
        print(caption, Kind::Question);
        return false;
    }
    const Verdict problem = validate ? validate(m_text) : Verdict();
    if (!problem.isEmpty()) {
        complain(problem);
        return false;
    }
    result = m_text;
    return true;
}

QString AutoPrompts::openFileName(const QString &, const QString &, const QString &)
{
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QString AutoPrompts::saveFileName(const QString &, const QString &, const QString &)
{
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}
