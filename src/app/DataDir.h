#pragma once

#include <QString>
#include <QStringList>

// Finds the program directory: the folder with rx30.ini and the other catalogue files,
// where log.txt and temporary files go. Given explicitly it is used as it is; else the
// working directory when it holds rx30.ini; else a per-user directory, seeded with the
// installed copies of the files it lacks (a user's edited files are never overwritten).
class DataDir
{
public:
    struct Resolution
    {
        QString path;  // absolute; empty when none could be made
        QString error; // why, when path is empty
        bool seeded = false;
    };

    // seedDirs: folders holding the installed copies, in order of preference.
    static Resolution resolve(const QString &explicitDir, const QStringList &seedDirs,
                              const QString &workingDir = QString(), const QString &userDir = QString());
    // The per-user folder used when nothing else applies.
    static QString defaultUserDir();
    // The seed folders next to an installed or build-tree executable.
    static QStringList installedSeedDirs(const QString &applicationDir);
};
