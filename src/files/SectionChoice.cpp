#include "files/SectionChoice.h"

#include "files/SectionTree.h"

QStringList SectionChoice::topLevelCaptions(const SectionTree &tree)
{
    QStringList out;
    for (int child : tree.children(0))
        out.append(tree.caption(child));
    return out;
}

bool SectionChoice::parse(const QString &list, const SectionTree &tree, QStringList *chosen, QString *unknown)
{
    chosen->clear();
    if (list.trimmed().compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0)
        return true;
    const QStringList captions = topLevelCaptions(tree);
    for (const QString &raw : list.split(QLatin1Char(','))) {
        const QString name = raw.trimmed();
        int found = -1;
        for (int i = 0; i < captions.size() && found < 0; ++i) {
            if (captions[i].compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        }
        if (found < 0) {
            *unknown = name;
            return false;
        }
        if (!chosen->contains(captions[found]))
            chosen->append(captions[found]);
    }
    return true;
}

void SectionChoice::apply(SectionTree &tree, const QStringList &chosen)
{
    if (chosen.isEmpty())
        return;
    for (int child : tree.children(0)) {
        const bool wanted = chosen.contains(tree.caption(child));
        if (tree.state(child) == SectionTree::Checked)
            tree.ToggleNode(child); // now Unchecked with everything below it
        if (wanted)
            tree.ToggleNode(child); // Checked with every member that has data
    }
}

bool SectionChoice::install(SectionTree &tree, const QString &list, QString *unknown)
{
    QStringList chosen;
    if (!parse(list, tree, &chosen, unknown))
        return false;
    tree.showHook = [chosen](SectionTree &shown) {
        apply(shown, chosen);
        return true;
    };
    return true;
}
