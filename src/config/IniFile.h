#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// An INI file with private-profile semantics: section and key names compare without
// regard to case, keys list in file order, a missing file, section or key reads as the
// default, and writing a key keeps every other byte of the file as it was. Saving is
// atomic, so a crash never leaves a truncated file. Values are returned whole, however
// long (there is no fixed profile buffer here). The file is read again when it changed on disk.
class IniFile
{
public:
    explicit IniFile(const QString &path = QString());

    QString path() const { return m_path; }
    void setPath(const QString &path);
    bool exists() const;

    QStringList sections() const;
    bool hasSection(const QString &section) const;
    // Key names of a section in file order (first spelling of a repeated key only).
    QStringList keys(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    // The value with surrounding blanks removed; def when the key is missing.
    QString readValue(const QString &section, const QString &key, const QString &def = QString()) const;

    // Creates the section or key as needed. false, with errorString(), when the file
    // could not be written; the file on disk is then unchanged.
    bool writeValue(const QString &section, const QString &key, const QString &value);
    QString errorString() const { return m_error; }

private:
    struct Line
    {
        QByteArray raw; // without line end
        QByteArray end; // "\n", "\r\n" or "" for a last line without one
    };
    void refresh() const;
    int findSection(const QString &section) const;                       // index of the header line, -1
    int findKey(int sectionLine, const QString &key) const;              // index of the key line, -1
    static QString sectionName(const QByteArray &raw, bool *isSection);
    static bool splitKey(const QByteArray &raw, QString *key, QString *value);

    QString m_path;
    mutable QList<Line> m_lines;
    mutable QByteArray m_newline = "\n";
    mutable qint64 m_stamp = -1;
    mutable qint64 m_size = -1;
    QString m_error;
};
