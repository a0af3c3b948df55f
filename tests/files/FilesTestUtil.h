#pragma once

#include "CliRun.h"
#include "files/SectionTree.h"

#include <QFile>
#include <QMap>

// Writable copies of the shipped catalogues and template.
inline void copyProgramFiles(const QString &dir)
{
    copyDataFiles(dir, {QStringLiteral("rx30.ini"), QStringLiteral("io.ini"), QStringLiteral("template.xml")});
}

// A node by its caption, else by its address text.
inline int node(const SectionTree &tree, const QString &captionOrAddress)
{
    for (int i = 0; i < tree.count(); ++i) {
        if (tree.caption(i) == captionOrAddress)
            return i;
    }
    return tree.FindAddress(captionOrAddress);
}

// Every Data value of the document by address.
inline QMap<QString, QString> values(const SectionTree &tree)
{
    QMap<QString, QString> out;
    for (int i = 0; i < tree.count(); ++i) {
        const QString address = SectionTree::ParamValue(tree.item(i), "address");
        if (address.startsWith(QLatin1String("0x")))
            out.insert(address, tree.item(i)->Text);
    }
    return out;
}

// The states of the named nodes as letters: Unchecked, Checked, Empty.
inline QString states(const SectionTree &tree, const QStringList &names)
{
    QString out;
    for (const QString &name : names)
        out += QStringLiteral("?UCE").at(qBound(0, tree.state(node(tree, name)), 3));
    return out;
}
