#pragma once

#include "upgrade/UpgradeSequence.h"

#include <QObject>
#include <QString>

class DeviceSession;
class Prompts;

// The state of the "Firmware upgrade" window without its widgets: the chosen file, the status
// text and the progress bar, and what "Open file", "Start", showing and closing do to them.
class UpgradeWindowModel : public QObject
{
    Q_OBJECT
public:
    // The filter of the open dialog, as the selector's maker names its files.
    static const char *const FileFilter;

    UpgradeWindowModel(DeviceSession &session, Prompts &prompts, const QString &programDir,
                       QObject *parent = nullptr);

    UpgradeSequence &sequence() { return m_sequence; }

    // Each showing of the window: no file chosen yet.
    void activate();
    // "Open file": the open dialog; true when a file was chosen.
    bool openFile();
    // "Start": true when the window should close (finished, or the monitor was not reached).
    bool start();
    // Closing: the bar back to 0, the port to 9600 baud, the labels cleared.
    void close();

    bool fileChosen() const { return m_fileChosen; }
    QString fileLabel() const { return m_fileLabel; }
    QString statusText() const { return m_status; }
    int progressValue() const { return m_value; }
    int progressMaximum() const { return m_maximum; }
    bool running() const { return m_running; }

signals:
    void changed();

private:
    DeviceSession &m_session;
    Prompts &m_prompts;
    UpgradeSequence m_sequence;
    bool m_fileChosen = false;
    bool m_running = false;
    QString m_fileLabel;
    QString m_status;
    int m_value = 0;
    int m_maximum = 100;
};
