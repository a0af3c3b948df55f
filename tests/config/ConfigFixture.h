#pragma once

// Shared set-up of the configuration page tests: catalogues copied into a temporary
// folder (the shipped ones or purpose-made text), a scripted Prompts and the page.
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

struct ConfigFixture
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<ConfigPage> page;

    ConfigFixture() { page = std::make_unique<ConfigPage>(prompts); }

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    // Copies the shipped rx30.ini and io.ini into the temporary folder.
    bool copyShipped()
    {
        for (const char *name : {"rx30.ini", "io.ini"}) {
            QFile::remove(path(QLatin1String(name)));
            if (!QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/") + QLatin1String(name),
                             path(QLatin1String(name))))
                return false;
            QFile::setPermissions(path(QLatin1String(name)),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        return true;
    }

    void write(const QString &name, const QByteArray &text)
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text);
    }

    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    bool loadShipped() { return copyShipped() && page->loadCatalogues(dir.path()); }

    int versionNamed(const QString &name) const { return page->versionEntries().indexOf(name); }

    // Loads eight line definitions as a transfer would and recognises the version.
    void loadLines(const QStringList &lines)
    {
        for (int k = 0; k < lines.size(); ++k)
            page->imageForLoad().setLineText(k, lines.at(k));
        page->imageForLoad().loadedSections |= ConfigImage::Configuration;
        page->recogniseVersion();
        page->imageToWindow();
    }

    QString line(int k) const { return page->image().lineText(k - 1).left(16); }
    QStringList errors() const { return prompts.texts(ScriptedPrompts::Kind::Error); }
    QStringList informations() const { return prompts.texts(ScriptedPrompts::Kind::Information); }
    QStringList warnings() const { return prompts.texts(ScriptedPrompts::Kind::Warning); }
};
