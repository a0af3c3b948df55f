#pragma once

#include <QString>

class CliContext;
class CliPrompts;

// Where rxconfig-cli takes a secret from without showing it to other users: the first line of
// a file or an environment variable, besides the option on the command line (which ps and
// the shell's history show).
class CliSecrets
{
public:
    struct Secret
    {
        bool given = false;
        QString value;
    };

    // option when not empty, else the first line of file when given, else the variable when
    // set and not empty. false when the file cannot be read; problem then says why.
    static bool resolve(const QString &option, const QString &file, const char *variable, Secret &out,
                        QString &problem);
    // Hands the PIN and the factory password to prompts and lets a typed PIN be tried on the
    // selector. The exit status: 0, or the file error after its message.
    static int install(CliContext &ctx, CliPrompts &prompts);
    // A log line as the CLI prints it: the data of a frame that carries a PIN (Enter PIN
    // number, Enter new PIN number) and its checksum hidden, so the PIN stays off the screen.
    static QString hidePin(const QString &logLine);
};
