#include "app/DataDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const char *const kCatalogue = "rx30.ini";

bool holdsCatalogue(const QString &dir)
{
    return QFileInfo(QDir(dir).filePath(QLatin1String(kCatalogue))).isFile();
}
} // namespace

QString DataDir::defaultUserDir()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base.isEmpty() ? QDir::homePath() : base).filePath(QStringLiteral("rxconfig"));
}

QStringList DataDir::installedSeedDirs(const QString &applicationDir)
{
    const QDir app(applicationDir);
    return {app.filePath(QStringLiteral("../share/rxconfig")), app.filePath(QStringLiteral("data"))};
}

DataDir::Resolution DataDir::resolve(const QString &explicitDir, const QStringList &seedDirs,
                                     const QString &workingDir, const QString &userDir)
{
    Resolution r;
    if (!explicitDir.isEmpty()) {
        const QFileInfo info(explicitDir);
        if (!info.isDir()) {
            r.error = explicitDir;
            return r;
        }
        r.path = info.absoluteFilePath();
        return r;
    }
    const QString cwd = workingDir.isEmpty() ? QDir::currentPath() : workingDir;
    if (holdsCatalogue(cwd)) {
        r.path = QFileInfo(cwd).absoluteFilePath();
        return r;
    }
    const QString user = userDir.isEmpty() ? defaultUserDir() : userDir;
    if (!QDir().mkpath(user)) {
        r.error = user;
        return r;
    }
    for (const QString &seed : seedDirs) {
        if (!holdsCatalogue(seed))
            continue;
        const QDir from(seed);
        for (const QFileInfo &file : from.entryInfoList(QDir::Files)) {
            const QString target = QDir(user).filePath(file.fileName());
            if (QFileInfo::exists(target))
                continue;
            if (QFile::copy(file.absoluteFilePath(), target)) {
                // Installed copies may be read-only; the user's copy must be writable.
                QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
                r.seeded = true;
            }
        }
        break;
    }
    r.path = QFileInfo(user).absoluteFilePath();
    return r;
}
