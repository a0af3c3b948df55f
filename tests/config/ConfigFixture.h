#pragma once

// The configuration page on catalogues in a temporary folder, with scripted prompts.
#include "CliRun.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"
#include "config/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

using P = ConfigPage;

inline const QStringList kLineKeys = {"Output1", "Output2", "Output3", "Output4",
                                      "Output5", "Output6", "In2Out7", "Input1"};

struct ConfigFixture
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<ConfigPage> page = std::make_unique<ConfigPage>(prompts);

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    QByteArray read(const QString &name) const { return fileBytes(path(name)); }

    bool loadText(const QByteArray &rx30, const QByteArray &io)
    {
        return writeFileBytes(path(QStringLiteral("rx30.ini")), rx30) &&
               writeFileBytes(path(QStringLiteral("io.ini")), io) && page->loadCatalogues(dir.path());
    }

    bool loadShipped()
    {
        return copyDataFiles(dir.path(), {QStringLiteral("rx30.ini"), QStringLiteral("io.ini")}) &&
               page->loadCatalogues(dir.path());
    }

    void chooseVersion(const QString &name) { page->chooseVersion(page->versionEntries().indexOf(name)); }
    QString version() const { return page->versionEntries().value(page->versionIndex()); }

    bool choose(int k, const QString &function)
    {
        return page->chooseFunction(k, page->line(k).functions.indexOf(function));
    }
    QString function(int k) const { return page->line(k).functions.value(page->line(k).functionIndex); }

    // Loads line definitions as a transfer would ("-" is unassigned) and recognises the version.
    void loadLines(const QString &lines)
    {
        const QStringList defs = lines.split(QLatin1Char(' '));
        for (int k = 0; k < P::LineCount; ++k)
            page->imageForLoad().setLineText(k, defs.value(k) == "-" ? QString() : defs.value(k));
        page->imageForLoad().loadedSections |= ConfigImage::Configuration;
        page->recogniseVersion();
        page->imageToWindow();
    }

    QString line(int k) const { return page->image().lineText(k - 1).left(16); }
    QString linesText() const
    {
        QStringList lines;
        for (int k = 1; k <= P::LineCount; ++k)
            lines << line(k);
        return lines.join(QLatin1Char(' '));
    }

    // Line definitions and parameter bytes as the page holds them and as rx30.ini stores them.
    QString imageText() const
    {
        return linesText() + QLatin1Char(' ') + page->image().paramText().left(2 * ConfigImage::ParamCount);
    }
    QString catalogueText(const QString &name) const
    {
        IniFile rx30(path(QStringLiteral("rx30.ini")));
        QString text;
        for (const QString &key : kLineKeys)
            text += rx30.readValue(name, key) + QLatin1Char(' ');
        for (const QString &key : P::paramKeys())
            text += rx30.readValue(name, key);
        return text;
    }

    QStringList errors() const { return prompts.texts(ScriptedPrompts::Kind::Error); }
    QStringList informations() const { return prompts.texts(ScriptedPrompts::Kind::Information); }
    QStringList warnings() const { return prompts.texts(ScriptedPrompts::Kind::Warning); }
};
