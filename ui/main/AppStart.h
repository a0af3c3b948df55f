#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The desktop program's command line and its run: the message language, the program
// directory, the demo selector and the screenshot run.
class AppStart
{
public:
    struct Options
    {
        QString language = QStringLiteral("en"); // en, it or hr
        QString dataDir;
        bool demo = false;
        QString screenshotDir;
        QString port; // an extra port to search (a pty of the simulator)
    };

    // false with the message in problem (usage errors).
    static bool parse(const QStringList &arguments, Options &options, QString &problem);
    // The message block of a language code; 0 for an unknown one.
    static int languageBase(const QString &code);
    // Chooses the block, falling back to English when the chosen block has no texts.
    static bool selectLanguage(const QString &code);
    // Runs the program until its window closes (or after the screenshots); the exit status.
    static int run(const Options &options, const QStringList &seedDirs, QTextStream &err);
};
