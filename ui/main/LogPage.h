#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class CommLog;
struct CommLogEntry;

// The "Comm. log" page: shows the communication log (sent frames in red, received in
// blue) and its controls: the hand-typed command field guarded by "Terminal on", "Clear
// log" and "Log to file". The log itself (cap, file) is CommLog's; sending is the owner's:
// the page only hands over the typed text. Beside each line it shows the time since the line
// before and the decoding; a filter box hides other lines and "Copy" takes lines with both.
class LogPage : public QWidget
{
    Q_OBJECT
public:
    LogPage(CommLog &log, QWidget *parent = nullptr);

    void init_language();

    int lineCount() const;
    QString lineAt(int row) const;
    // The colour a row's text is drawn in.
    static QColor lineColor(const QString &line);

    QListWidget *list() const { return m_list; }
    QLineEdit *commandField() const { return m_command; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *clearButton() const { return m_clear; }
    QCheckBox *terminalBox() const { return m_terminal; }
    QCheckBox *logToFileBox() const { return m_toFile; }
    QLineEdit *filterField() const { return m_filter; }
    QPushButton *copyButton() const { return m_copy; }
    // Whether the filter lets the row show.
    bool rowShown(int row) const;
    // What "Copy" takes: the selected rows that show, else every row that shows.
    QList<int> copyRows() const;

signals:
    void sendCommand(const QString &text);

private:
    void SendCommandClick();
    void ClearLogClick();
    void LogToFileClick(bool checked);
    void updateTerminal();
    void addRow(int row);
    void setRowData(QListWidgetItem *item, const CommLogEntry &e);
    void applyFilter();
    void copySelected();

    CommLog &m_log;
    QListWidget *m_list;
    QLineEdit *m_command;
    QPushButton *m_send;
    QPushButton *m_clear;
    QCheckBox *m_terminal;
    QCheckBox *m_toFile;
    QLineEdit *m_filter;
    QPushButton *m_copy;
};
