#pragma once

#include <QString>

// The numbered message table: three language blocks under one numbering
// (1000 + N English, 2000 + N Italian, 3000 + N Croatian).
class TResourceLocalizer
{
public:
    // Message numbers run 0..MaxNumber in each block.
    static constexpr int MaxNumber = 9999;
    // The text with identifier base + n, "" when there is none.
    static QString LoadMessage(int base, int n);
    // Reads the table again from the given "N<TAB>text" file for one block (tests, tools).
    static bool loadBlockFromFile(int base, const QString &path);
};

// The block in use; 1000 (English) unless chosen otherwise at start-up.
extern int LanguageBase;

// Message n of the current language.
inline QString Msg(int n)
{
    return TResourceLocalizer::LoadMessage(LanguageBase, n);
}
