#pragma once

#include "CliRun.h"

#include <QDir>

// A firmware file made by binutils from `size` bytes of a fixed pattern; the header record
// carries the output name, which objcopy writes into it, so the name is the identity.
inline QString makeFirmware(const QString &dir, const QByteArray &identity, int size, int recordBytes = 16)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 73 + 19) & 0xFF));
    const QString bin = QDir(dir).filePath(QStringLiteral("image.bin"));
    const QString name = QString::fromLatin1(identity);
    QFile::remove(QDir(dir).filePath(name));
    if (!writeFileBytes(bin, image))
        return QString();
    QProcess objcopy;
    objcopy.setWorkingDirectory(dir);
    objcopy.start(QStringLiteral("objcopy"),
                  {QStringLiteral("-I"), QStringLiteral("binary"), QStringLiteral("-O"),
                   QStringLiteral("srec"), QStringLiteral("--srec-len=%1").arg(recordBytes), bin, name});
    if (!objcopy.waitForFinished(30000) || objcopy.exitCode() != 0)
        return QString();
    const QString target = QDir(dir).filePath(name + QStringLiteral(".u19"));
    QFile::remove(target);
    return QFile::rename(QDir(dir).filePath(name), target) ? target : QString();
}
