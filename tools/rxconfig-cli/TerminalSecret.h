#pragma once

#include <QString>

// Typing a secret on the terminal, as ssh and sudo ask for passwords: only when standard
// input is a terminal, without echo, the question and any complaint on the terminal itself
// (so they are seen even when stdout and stderr go to files).
class TerminalSecret
{
public:
    // True when standard input is a terminal.
    static bool available();
    // Shows the question and reads one line without echo. false when the user cancelled
    // (Ctrl-D or an empty line) or the terminal cannot be read.
    static bool read(const QString &question, QString &text);
    // One line on the terminal.
    static void say(const QString &line);
};
