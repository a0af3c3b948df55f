#include "CliPrompts.h"

#include "CliJson.h"
#include "TerminalSecret.h"
#include "app/Messages.h"

#include <QJsonArray>

namespace {
const int kFactoryCaption = 115;
const int kNoTerminal = 870;

QString question(const QString &caption)
{
    const QString trimmed = caption.trimmed();
    return trimmed + (trimmed.endsWith(QLatin1Char(':')) ? QStringLiteral(" ") : QStringLiteral(": "));
}
} // namespace

void CliPrompts::setPin(const QString &pin)
{
    m_pin = pin;
    m_pinGiven = true;
}

void CliPrompts::setFactoryPassword(const QString &password)
{
    m_factoryPassword = password;
    m_passwordGiven = true;
}

bool CliPrompts::password(const QString &caption, const Validator &validate, QString &result)
{
    const bool factory = caption == Msg(kFactoryCaption);
    if (factory ? m_passwordGiven : m_pinGiven) {
        // A given secret is offered once: repeating a refused one would only be refused again.
        const QString given = factory ? m_factoryPassword : m_pin;
        const Verdict problem = validate ? validate(given) : Verdict();
        if (!problem.isEmpty()) {
            complain(problem);
            return false;
        }
        result = given;
        return true;
    }
    if (!TerminalSecret::available()) {
        if (factory)
            noTerminal(*this, caption, QStringLiteral("--factory-password-file"),
                       QStringLiteral("RXCONFIG_FACTORY_PASSWORD"));
        else
            noTerminal(*this, caption, QStringLiteral("--pin-file"), QStringLiteral("RXCONFIG_PIN"));
        return false;
    }
    for (int tries = 1;; ++tries) {
        if (!askOnTerminal(caption, validate, result))
            return false;
        if (factory || !m_check)
            return true;
        const PinCheck check = m_check(result.toUpper());
        if (check != PinCheck::Refused)
            return true; // no answer at all is the access check's to report
        if (tries >= MaxPinTries) {
            // Sending it once more would be one more wrong try at the selector.
            error(Msg(321));
            return false;
        }
        TerminalSecret::say(Msg(321));
    }
}

bool CliPrompts::askOnTerminal(const QString &caption, const Validator &validate, QString &result)
{
    for (;;) {
        QString text;
        if (!TerminalSecret::read(question(caption), text))
            return false;
        const Verdict problem = validate ? validate(text) : Verdict();
        if (problem.isEmpty()) {
            result = text;
            return true;
        }
        TerminalSecret::say(problem.text);
    }
}

void CliPrompts::noTerminal(Prompts &prompts, const QString &caption, const QString &fileOption,
                            const QString &variable)
{
    prompts.information(caption);
    prompts.error(Msg(kNoTerminal).arg(fileOption, variable));
}

void CliPrompts::print(const QString &text, Kind kind)
{
    if (!m_json) {
        AutoPrompts::print(text, kind);
        return;
    }
    // A failure is told once, at the end, with the exit status it leads to.
    if (kind != Kind::Error && kind != Kind::Warning)
        CliJson::write(*m_json, CliJson::message(text));
}

void CliPrompts::reportFailure(int status)
{
    const QStringList shown = errors();
    if (!m_json || shown.isEmpty())
        return;
    // Warnings of a run that succeeded all the same (an unreadable rx30.ini) are notes.
    if (status == 0) {
        for (const QString &text : shown)
            CliJson::write(*m_json, CliJson::message(text));
        return;
    }
    QJsonObject error = CliJson::message(shown.first());
    error.insert(QStringLiteral("exit"), status);
    QJsonArray more;
    for (const QString &text : shown.mid(1))
        more.append(CliJson::message(text));
    if (!more.isEmpty())
        error.insert(QStringLiteral("more"), more);
    CliJson::write(*m_json, {{QStringLiteral("error"), error}});
}
