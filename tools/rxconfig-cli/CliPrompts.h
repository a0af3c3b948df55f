#pragma once

#include "app/AutoPrompts.h"

#include <functional>

class QTextStream;

// The prompts of rxconfig-cli: those of AutoPrompts, with the PIN and the factory password
// each given beforehand (option, file or environment) or else typed on the terminal, where
// the password dialog's rules apply. Without either the run ends with a message that says
// how to give the secret.
class CliPrompts : public AutoPrompts
{
public:
    enum class PinCheck { Accepted, Refused, Unknown };
    using PinChecker = std::function<PinCheck(const QString &pin)>;
    // A typed PIN the selector refuses may be typed again, up to this many times in all.
    static constexpr int MaxPinTries = 3;

    using AutoPrompts::AutoPrompts;

    void setPin(const QString &pin);
    void setFactoryPassword(const QString &password);
    // Tries a PIN typed on the terminal on the selector first, so a refused one can be typed again.
    void setPinChecker(const PinChecker &check) { m_check = check; }

    bool password(const QString &caption, const Validator &validate, QString &result) override;

    // Asks on the terminal until the entry passes validate; false when cancelled or when
    // standard input is no terminal.
    static bool askOnTerminal(const QString &caption, const Validator &validate, QString &result);
    // The caption, then the error that says how to give the secret without a terminal.
    static void noTerminal(Prompts &prompts, const QString &caption, const QString &fileOption,
                           const QString &variable);

    // --json: every other text shown becomes a line {"message": n, "text": "..."} on stream;
    // errors and warnings wait for reportFailure().
    void setJson(QTextStream *stream) { m_json = stream; }
    bool json() const { return m_json != nullptr; }
    // With --json and an error or warning shown: the one line
    // {"error": {"message": n, "text": "...", "exit": status, "more": [...]}}, the first shown
    // leading, the others in "more"; after a run that succeeded, message lines.
    void reportFailure(int status);

protected:
    void print(const QString &text, Kind kind) override;

private:
    bool m_pinGiven = false;
    bool m_passwordGiven = false;
    QString m_pin;
    QString m_factoryPassword;
    PinChecker m_check;
    QTextStream *m_json = nullptr;
};
