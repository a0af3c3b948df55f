#pragma once

#include "sim/SimCoinKinds.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QVector>
#include <QtGlobal>
#include <functional>

// One simulated RX20/RX30 coin selector: the device side of every ccTalk exchange and of
// the boot monitor. It is fed the bytes the host puts on the wire (already parsed into
// frames by feed()) and answers with reply bytes and the delay after which they start.
// It knows nothing about the host's code beyond the checksum rule.
class SelectorSim
{
public:
    // Memory the selector exposes through header 255 sub-codes 2 and 3.
    static constexpr int MemoryStart = 0x0600;
    static constexpr int MemoryEnd = 0x0840; // one past the last byte
    static constexpr int MemorySize = MemoryEnd - MemoryStart;
    static constexpr int MaskAddress = 0x0774;
    // Calibration values (averaged readings, offsets): written under the factory level only.
    static constexpr int CalibrationStart = 0x0751;
    static constexpr int CalibrationEnd = 0x0761; // inclusive

    // Region codes of the protection masks.
    enum Region : quint8 {
        RegionNone = 0x00,
        RegionChannels = 0x01,
        RegionIoLines = 0x02,
        RegionModes = 0x04,
        RegionParameters = 0x08,
        RegionStatOptions = 0x10,
        RegionStatCounters = 0x20,
        RegionMonitorEntry = 0x40,
    };
    static quint8 regionOf(int address);

    // Unlock levels the selector keeps until reset.
    enum Level : quint8 { FactoryLevel = 1, PinLevel = 2 };

    struct Identity
    {
        QByteArray manufacturer = "Marvesti";
        QByteArray deviceType = "RX30"; // any 4 ASCII characters
        QByteArray productCode = "RX30-EU";
        quint32 serialNumber = 1234567; // sent as 3 bytes, least significant first
        QByteArray buildCode = "STD";
        QByteArray softwareRevision = "1.20";
        quint16 creationDate = 0x2A6F;     // sent high byte first
        quint16 modificationDate = 0x2C41; // sent high byte first
        QByteArray baseYear = "2000";      // 4 ASCII digits
        quint8 databaseVersion = 1;
        QByteArray monitorIdentity; // 9 bytes; empty = device type + "BOOT1"
        QByteArray nextRevision;    // revision after a firmware load; empty = revision + 1
    };

    // A fault applied to the next `count` replies (count < 0: until cleared), optionally only
    // to frames with one header (header < 0: any).
    enum class FaultKind {
        CorruptChecksum,
        NoReply,
        LateReply,
        ExtraBytes,
        NoEcho,
        Nak,
        MonitorStatus,
        Unplugged,
        ShortReply, // the reply loses its last data byte (length and checksum kept right)
        DropWrite,  // a memory write is acknowledged but not stored (counts writes, not replies)
    };
    struct Fault
    {
        FaultKind kind = FaultKind::NoReply;
        int count = 1;
        int header = -1;
        char monitorStatus = '3'; // the digit answered to records (MonitorStatus)
        int subCode = -1;         // with header 255: only frames with this sub-code (-1: any)
        int skip = 0;             // matching frames (or monitor records) answered normally first
    };

    // What the selector puts on the wire in answer to one frame.
    struct Reply
    {
        QByteArray bytes;
        int delayMs = 0;           // after the end of the frame
        bool addressPoll = false;  // one unframed address byte; never merged with others
        bool suppressEcho = false; // the fault "no echo" was applied
    };

    // What a coin insertion did.
    enum class CoinResult { Accepted, Rejected, Inhibited, Returned };
    struct CoinOutcome
    {
        CoinResult result = CoinResult::Rejected;
        int channel = 0; // 1..16 when accepted
    };

    // Recorded output commands for the control channel and tests.
    struct OutputLog
    {
        int solenoidMask = -1;   // last header 240 data, -1 = none yet
        int latchedOutputs = -1; // last header 233 data
        int pulsedOutputs = -1;  // last header 238 data
        int solenoidCount = 0;
        int latchCount = 0;
        int pulseCount = 0;
    };

    SelectorSim();
    explicit SelectorSim(bool erased);

    // ---- the wire ----
    // Bytes from the host at baud; returns the replies of every frame completed by them.
    // nowMs is a monotonic time used for the resynchronising silence.
    QList<Reply> feed(const QByteArray &bytes, int baud, qint64 nowMs);
    // One complete ccTalk frame (checksum included); empty reply when not answered.
    Reply handleFrame(const QByteArray &frame);
    // Silence that drops a partial frame (ccTalk inter-byte time-out).
    void setResyncGapMs(int ms) { m_resyncGapMs = ms; }

    // The rate this selector listens at now: 9600, or the monitor rate in the boot monitor.
    int currentBaud() const;
    int turnaroundMs() const { return m_turnaroundMs; }
    void setTurnaroundMs(int ms) { m_turnaroundMs = ms; }
    void setLateReplyMs(int ms) { m_lateReplyMs = ms; }

    // ---- identity, address, secrets ----
    Identity &identity() { return m_identity; }
    const Identity &identity() const { return m_identity; }
    quint8 address() const { return m_address; }
    void setAddress(quint8 address) { m_address = address; }
    QByteArray pin() const { return m_pin; }
    void setPin(const QByteArray &fourBytes);
    QByteArray factoryPassword() const { return m_factoryPassword; }
    void setFactoryPassword(const QByteArray &sixBytes);
    QByteArray masks() const;                   // the 4 bytes at 0x0774 (working copy)
    void setMasks(const QByteArray &fourBytes); // working and non-volatile copy
    quint8 unlockedLevels() const { return m_unlocked; }
    // The response a host must send to a challenge (same formula the host uses).
    static QByteArray responseFor(const QByteArray &challenge, const QByteArray &password);
    void setRandomSeed(quint32 seed) { m_random.seed(seed); }

    // ---- memory ----
    QByteArray memory(int address, int count) const;   // working copy
    QByteArray nvMemory(int address, int count) const; // non-volatile copy
    // Writes both copies (configuration by a test or the state file).
    void setMemory(int address, const QByteArray &bytes);
    QByteArray nvImage() const { return m_nv; }
    void setNvImage(const QByteArray &image); // MemorySize bytes; also reloads the working copy
    // The built-in configuration of a selector fresh from service.
    static QByteArray defaultImage();
    void commit();
    void reset();

    // ---- coins and sensors ----
    CoinOutcome insertCoin(int channel);
    CoinOutcome insertCoin(const QByteArray &sixMeasurements, bool returned = false);
    // A coin of a kind, measured with that kind's noise.
    CoinOutcome insertKind(const QString &kind);
    SimCoinKinds &coinKinds() { return m_coinKinds; }
    quint32 insertionCounter() const { return m_insertions; }
    quint32 acceptCounter() const { return m_accepted; }
    quint8 eventCounter() const { return m_eventCounter; }
    QByteArray lastMeasurements() const { return m_lastMeasurements; }
    bool masterInhibit() const { return m_masterInhibit; } // true = coins inhibited
    void setMasterInhibit(bool inhibited) { m_masterInhibit = inhibited; }
    quint16 inhibitMask() const { return m_inhibitMask; } // bit set = channel enabled
    void setAnalog(const QByteArray &elevenBytes);
    QByteArray analog() const { return m_analog; }
    void setAnalogByte(int index, quint8 value);
    void setInputs(const QByteArray &bytes); // header 237 reply: DIP banks then inputs
    QByteArray inputs() const { return m_inputs; }
    void setOptoStates(quint8 states) { m_opto = states; }
    quint8 optoStates() const { return m_opto; }
    const OutputLog &outputs() const { return m_outputs; }
    // Wiring fault: a latched output line 1..7 shows on input line 1.
    void setOutputShorted(int line, bool shorted);
    quint8 shortedOutputs() const { return m_shortedOutputs; }

    // ---- boot monitor ----
    bool inMonitor() const { return m_inMonitor; }
    void enterMonitor();
    void leaveMonitor();
    int monitorBaud() const { return m_monitorBaud; }
    void setMonitorBaud(int baud) { m_monitorBaud = baud; }
    QByteArray monitorIdentity() const; // 9 bytes
    int recordsAccepted() const { return m_recordsAccepted; }

    // ---- faults ----
    void injectFault(const Fault &fault) { m_faults.append(fault); }
    void clearFaults() { m_faults.clear(); }
    bool unplugged() const { return m_unplugged; }
    void setUnplugged(bool on) { m_unplugged = on; }

    // Called after a commit, an address change or a PIN change (state file front ends).
    void setPersistHook(std::function<void()> hook) { m_persist = std::move(hook); }
    const std::function<void()> &persistHook() const { return m_persist; }

private:
    Reply answerFrame(const QByteArray &frame);
    Reply answerMonitor(const QByteArray &record);
    QByteArray ack(const QByteArray &data = {}) const;
    QByteArray nak() const;
    // Command families, one source file each: true when the header (or header 255's
    // sub-code) is theirs, with the answer in out.
    static int subCode(quint8 header, const QByteArray &data); // -1 unless header 255
    bool answerBus(quint8 header, const QByteArray &data, QByteArray &out);
    bool answerIdentity(quint8 header, const QByteArray &data, QByteArray &out);
    bool answerProtection(quint8 header, const QByteArray &data, QByteArray &out);
    bool answerMemory(quint8 header, const QByteArray &data, QByteArray &out);
    bool answerSensors(quint8 header, const QByteArray &data, QByteArray &out);
    bool answerCoins(quint8 header, const QByteArray &data, QByteArray &out);
    bool answerMonitorEntry(quint8 header, const QByteArray &data, QByteArray &out);
    bool answerGeneric(quint8 header, const QByteArray &data, QByteArray &out);
    // Requests answered with one unframed address byte (address clash).
    bool answerUnframed(quint8 header, Reply &reply);
    QByteArray coinId(int channel) const;
    QByteArray wiredInputs() const;
    bool accessAllowed(int address, int count, bool write) const;
    QByteArray readMemory(const QByteArray &data);
    QByteArray writeMemory(const QByteArray &data);
    QByteArray creditEvents() const;
    void pushEvent(quint8 a, quint8 b);
    void countStatistic(quint8 option, quint32 amount);
    const Fault *takeFault(int header, int subCode, bool monitor);
    bool takeDropWrite(int header, int subCode);
    void persist();

    Identity m_identity;
    quint8 m_address = 2;
    QByteArray m_pin;
    QByteArray m_factoryPassword;
    QByteArray m_work;
    QByteArray m_nv;
    quint8 m_unlocked = 0;
    bool m_pinEntered = false;
    QByteArray m_challenge;
    QRandomGenerator m_random;

    quint32 m_insertions = 0;
    quint32 m_accepted = 0;
    quint8 m_eventCounter = 0;
    QVector<quint8> m_events; // result pairs, newest first
    QByteArray m_lastMeasurements;
    SimCoinKinds m_coinKinds;
    bool m_masterInhibit = true;
    quint16 m_inhibitMask = 0;
    QByteArray m_analog;
    QByteArray m_inputs;
    quint8 m_opto = 0;
    OutputLog m_outputs;
    quint8 m_shortedOutputs = 0;

    bool m_inMonitor = false;
    int m_monitorBaud = 9600;
    int m_recordsAccepted = 0;

    QList<Fault> m_faults;
    Fault m_lastFault;
    bool m_enterMonitorPending = false;
    bool m_unplugged = false;

    QByteArray m_partial;
    qint64 m_lastByteMs = -1;
    int m_resyncGapMs = 20;
    int m_turnaroundMs = 3;
    int m_lateReplyMs = 1500;
    std::function<void()> m_persist;
};
