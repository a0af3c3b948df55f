#include "app/ScriptedPrompts.h"

void ScriptedPrompts::error(const QString &text)
{
    m_shown.append({Kind::Error, text});
}

void ScriptedPrompts::warning(const QString &text)
{
    m_shown.append({Kind::Warning, text});
}

void ScriptedPrompts::information(const QString &text)
{
    m_shown.append({Kind::Information, text});
}

Prompts::Answer ScriptedPrompts::confirm(const QString &text, Buttons buttons)
{
    m_shown.append({Kind::Confirm, text});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
}

bool ScriptedPrompts::runDialog(QStringList &queue, const Validator &validate, QString &result)
{
    // Each queued text is one press of OK; the dialog stays open while the validator objects.
    while (!queue.isEmpty()) {
        const QString text = queue.takeFirst();
        if (text.isNull())
            return false;
        const Verdict problem = validate ? validate(text) : Verdict();
        if (problem.isEmpty()) {
            result = text;
            return true;
        }
        m_shown.append({problem.advice ? Kind::Information : Kind::Error, problem.text});
    }
    return false;
}

bool ScriptedPrompts::password(const QString &caption, const Validator &validate, QString &result)
{
    m_shown.append({Kind::Password, caption});
    return runDialog(m_passwords, validate, result);
}

bool ScriptedPrompts::inputText(const QString &caption, const QString &label, const Validator &validate,
                                QString &result)
{
    m_shown.append({Kind::InputText, caption + QLatin1Char('\n') + label});
    return runDialog(m_texts, validate, result);
}

QString ScriptedPrompts::openFileName(const QString &caption, const QString &, const QString &)
{
    m_shown.append({Kind::OpenFile, caption});
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QString ScriptedPrompts::saveFileName(const QString &caption, const QString &, const QString &)
{
    m_shown.append({Kind::SaveFile, caption});
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QStringList ScriptedPrompts::texts(Kind kind) const
{
    QStringList out;
    for (const Shown &s : m_shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

QStringList ScriptedPrompts::allTexts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.text;
    return out;
}

void ScriptedPrompts::clear()
{
    m_shown.clear();
}
