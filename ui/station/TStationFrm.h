#pragma once

#include "station/StationRun.h"

#include <QDialog>
#include <QMap>
#include <memory>
#include <vector>

class Prompts;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class StationJournal;

// "Production station": selector after selector on each chosen port, each written with one
// configuration file, read back and journalled. Every rule is StationRun's (the same station as
// rxconfig-cli station); this window chooses the file, the type, the journal and the ports, and
// shows one coloured panel per port, the counters and the journal's newest lines.
class TStationFrm : public QDialog
{
    Q_OBJECT
public:
    TStationFrm(Prompts &prompts, const QString &dataDir, QWidget *parent = nullptr);
    ~TStationFrm() override;
    void init_language();

    // Fills the port list (checked: those of `chosen`) and the device types of rx30.ini, with
    // `type` (the selector last identified) chosen when the file names none.
    void prepare(const QStringList &ports, const QStringList &chosen, const QString &type = QString());
    bool running() const { return !m_runs.empty(); }

    QLineEdit *fileEdit() const { return m_file; }
    QLineEdit *journalEdit() const { return m_journal; }
    QComboBox *typeList() const { return m_type; }
    QListWidget *portList() const { return m_ports; }
    QPushButton *startButton() const { return m_start; }
    QPushButton *closeButton() const { return m_close; }
    QLabel *panel(const QString &port) const { return m_panels.value(port); }
    QLabel *countersLabel() const { return m_counters; }
    QListWidget *journalLines() const { return m_lines; }

    // The journal the window offers first: an SQLite file in the program directory.
    static QString defaultJournal(const QString &dataDir);

public slots:
    void done(int result) override;

private:
    void chooseFile();
    void chooseJournal();
    void startOrStop();
    bool start();
    void stopAll();
    void runEnded();
    void showState(const QString &port, StationRun::State state, const QString &detail);
    void showRecord(const StationRecord &record);
    void showCounters();
    void clearPanels();

    Prompts &m_prompts;
    const QString m_dataDir;
    QLineEdit *m_file = nullptr;
    QPushButton *m_fileButton = nullptr;
    QComboBox *m_type = nullptr;
    QLineEdit *m_journal = nullptr;
    QPushButton *m_journalButton = nullptr;
    QListWidget *m_ports = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_close = nullptr;
    QGridLayout *m_panelGrid = nullptr;
    QMap<QString, QLabel *> m_panels;
    QLabel *m_counters = nullptr;
    QListWidget *m_lines = nullptr;
    QLabel *m_captions[5] = {};
    std::unique_ptr<StationJournal> m_journalFile;
    std::vector<std::unique_ptr<StationRun>> m_runs;
    bool m_closeWhenEnded = false;
    StationRun::Counters m_finalCounters; // shown once the stations have ended
};
