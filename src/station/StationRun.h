#pragma once

#include "station/StationRecord.h"

#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>

class QThread;
class StationJournal;

// One production station on one port: selector after selector is waited for, identified, checked
// against the file's device type and the journal, written with the file's blocks, read back,
// recorded, and waited for until it is pulled.
//
// The work runs on a thread of its own, with its own link and device session (the link is
// synchronous, so two stations on one thread would take turns). start() returns at once; the
// signals are emitted from that thread, so a window's or the CLI's slots run queued in their own
// thread. Several stations share one journal. The same object serves the CLI and a window:
//
//   StationRun run(settings, journal);
//   connect(&run, &StationRun::stateChanged, panel, ...);   // colour, status text
//   connect(&run, &StationRun::recorded, list, ...);        // the journal's new line
//   connect(&run, &StationRun::finished, ...);              // ended: stop(), count, or a fault
//   run.start();  ...  run.stop();  run.wait();
//
// A station never asks the user anything: a PIN comes from the settings, and a question the
// download would ask is answered No.
class StationRun : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Idle,    // not started, or ended
        Waiting, // polling the port for a selector
        Working, // identifying, writing and reading back one selector
        Passed,  // verdicts: shown until the selector is pulled
        Failed,
        Refused,           // the file was not made for this selector's device type; nothing written
        Skipped,           // the journal holds a pass for this serial number; nothing written
        WaitingForRemoval, // the verdict stands; polling until the selector stops answering
    };
    Q_ENUM(State)

    // A total shared by the stations of one run (--count): each verdict takes one.
    class Budget
    {
    public:
        explicit Budget(int total) : m_left(total) {}
        bool take() { return m_left.fetch_sub(1) > 0; }
        int left() const { return m_left.load(); }

    private:
        std::atomic<int> m_left;
    };

    struct Settings
    {
        QString port;
        QString file;            // the configuration file
        QStringList deviceTypes; // the device types the file was made for (fileDeviceTypes())
        QString dataDir;         // program directory: rx30.ini, template.xml
        quint8 address = 2;      // ccTalk address of the selectors
        QString pin;             // given beforehand (option, file, environment); empty: none
        bool changedOnly = false;
        bool again = false;             // work on a serial number the journal has passed
        std::shared_ptr<Budget> budget; // null: no limit
        int pollMs = 350;               // between polls while waiting and before removal
        int removalSilenceMs = 1500;    // no answer this long: the selector was pulled
    };

    struct Counters
    {
        int passed = 0;
        int failed = 0;
        int refused = 0;
        int skipped = 0;
        // Failures and refusals by their message (without the block), with their number.
        QMap<QString, int> reasons;
    };

    StationRun(const Settings &settings, StationJournal &journal, QObject *parent = nullptr);
    ~StationRun() override; // stops and waits

    // Opens the port and the file on the station's thread and starts the loop.
    void start();
    // Ends after the selector in work (its record is written); any thread, any time.
    void stop();
    // Blocks until the loop has ended (ms < 0: however long); true when it has.
    bool wait(int ms = -1);
    bool isRunning() const;

    const Settings &settings() const { return m_settings; }
    State state() const { return m_state.load(); }
    Counters counters() const;
    // Why the station ended on its own (port would not open, file refused, journal not
    // written); empty after stop() or the count.
    QString endReason() const;

    // The device types a configuration file names for itself: every device="XXXX" on its lines
    // (any line, as the format marker). Empty when it names none or cannot be read.
    static QStringList fileDeviceTypes(const QString &path);
    // A state's stable name: "waiting", "working", "passed", ... "waiting-for-removal".
    static QString stateName(State state);
    // The word an operator reads for a record's result (PASSED, FAILED, REFUSED, SKIPPED).
    static int verdictMessage(const QString &result);

signals:
    // detail: the selector's serial number while working, the verdict's message after it.
    void stateChanged(StationRun::State state, const QString &detail);
    // One selector's record, after it is in the journal (a pass that a shared journal refuses because
    // another station recorded the serial number first comes as "skipped" with the journal's reason).
    void recorded(const StationRecord &record);
    // Progress of the download: the block about to be written, its number and the total.
    void progress(const QString &block, int index, int total);
    void finished();

private:
    class Worker;
    void runLoop();
    void setState(State state, const QString &detail = QString());
    void count(const StationRecord &record);
    void endWith(const QString &reason);

    Settings m_settings;
    StationJournal &m_journal;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<State> m_state{State::Idle};
    mutable QMutex m_mutex; // guards the counters and the end reason
    Counters m_counters;
    QString m_endReason;
};

Q_DECLARE_METATYPE(StationRecord)
