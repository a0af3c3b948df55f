#pragma once

#include <QHash>
#include <QMap>
#include <QString>

class ConfigPage;
class Prompts;
class SectionTree;
class StatisticsView;

// The conversions between the main window's configuration and the section document, and
// the toolbar operations "File Open" and "File Save". The template and temporary.xml live in
// the program directory.
class ConfigFiles
{
public:
    enum Result { Done = 0, Cancelled, Failed };

    ConfigFiles(SectionTree &tree, ConfigPage &page, Prompts &prompts, const QString &programDir,
                StatisticsView *statistics = nullptr);

    QString templatePath() const;
    QString temporaryPath() const;
    void setStatistics(StatisticsView *statistics) { m_statistics = statistics; }

    // Window data of every loaded area into the document, those sections marked Checked.
    // false (the conversion error shown) when a channel row does not encode.
    bool screen_2_xml();
    // Every Checked Data item into the window. All taken values are checked first; a value
    // that cannot belong to its block is reported and nothing in the window changes.
    bool xml_2_screen();
    // Checks and normalises every non-empty value of the Checked Data items (all items when
    // onlyChecked is false). false with the message shown for the first bad one.
    bool checkValues(bool onlyChecked);

    // Adds bits to the window's loadedSections.
    void markLoaded(int sections);

    // fileName empty: ask with the open or save dialog.
    Result FileOpen(const QString &fileName = QString());
    Result FileSave(const QString &fileName = QString());

    // When set, File Open refuses a file that is not well-formed XML as a whole (the line
    // merge alone would take the lines before a cut and drop the rest without a word).
    void setRequireWholeFile(bool on) { m_requireWhole = on; }
    // Empty when the content parses as XML to its end, else the reader's complaint with its line.
    static QString wholeFileProblem(const QByteArray &content);

    // true when some line holds the format marker (exact letter case).
    static bool hasFormatMarker(const QByteArray &content);
    static const char *const FormatMarker;
    static const char *const FileFilter;

private:
    // The window's blocks of every loaded area, address to hex text; false (shown unless quiet)
    // when the window's data does not encode.
    bool render(QMap<int, QString> &blocks, bool quiet);
    bool mergeWithTemplate(const QString &fileName, const QByteArray &file, QByteArray &merged);

    SectionTree &m_tree;
    ConfigPage &m_page;
    Prompts &m_prompts;
    QString m_dir;
    StatisticsView *m_statistics;
    bool m_requireWhole = false;
    // Each block as it was last taken into the window, and as the window rendered it then. A
    // block the user has not changed since is saved and written as taken, so bytes the window
    // does not hold (an unknown sorter path, a byte no line function uses) are never rewritten.
    struct Taken
    {
        QString value;
        QString shown;
    };
    QHash<int, Taken> m_taken;
};
