#pragma once

#include <QFile>
#include <QObject>
#include <QString>

class CommLog;

// A plain-text record of a session's exchanges, one exchange per line, for the command-line
// tool's --log FILE:  "-> request  <- reply<TAB>+delta ms, reply after N ms<TAB>decoding".
// It follows the communication log, so it holds exactly what the log holds.
class ExchangeLogFile : public QObject
{
    Q_OBJECT
public:
    explicit ExchangeLogFile(CommLog &log, QObject *parent = nullptr);
    ~ExchangeLogFile() override;

    // Creates (or empties) the file, readable by its owner only since it may hold the PIN.
    // false with errorString() when it cannot be written.
    bool open(const QString &path);
    // Writes an exchange still waiting for its end, then closes.
    void close();
    QString errorString() const { return m_error; }

private:
    void lineAdded();
    void entryChanged(int row);
    void writeHeld();
    void write(const QString &text);

    CommLog &m_log;
    QFile m_file;
    QString m_error;
    int m_held = -1; // row of a request whose reply has not come yet
};
