#pragma once

#include <QString>
#include <QStringList>

class SectionTree;

// Chooses sections by the captions of the template's top-level groups, for runs without
// the section window (the command-line tool): "all" or a comma-separated list of captions,
// compared without regard to letter case.
class SectionChoice
{
public:
    // The captions of the root's children, in order.
    static QStringList topLevelCaptions(const SectionTree &tree);
    // false with *unknown set to the first name that is not a top-level caption.
    static bool parse(const QString &list, const SectionTree &tree, QStringList *chosen, QString *unknown);
    // Ticks exactly the chosen groups (all when chosen is empty); Empty sections stay Empty.
    static void apply(SectionTree &tree, const QStringList &chosen);
    // Parses the list and makes the tree's section window tick exactly those groups
    // whenever it would be shown. false with *unknown as parse().
    static bool install(SectionTree &tree, const QString &list, QString *unknown);
};
