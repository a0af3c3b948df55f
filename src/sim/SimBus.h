#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

class SelectorSim;

// One ccTalk wire with one or more simulated selectors on it. The host writes bytes; the
// wire returns them as an echo (the interface's loop-back, switchable), each selector at the
// host's rate parses them and answers after its turnaround, and answers that overlap in
// time combine as an open-collector line does (bitwise AND). Everything the host receives
// leaves through bytesForHost() from the event loop, never inside write().
class SimBus : public QObject
{
    Q_OBJECT
public:
    explicit SimBus(QObject *parent = nullptr);
    ~SimBus() override;

    // The bus owns its selectors. addSelector() returns the one added.
    SelectorSim *addSelector(std::unique_ptr<SelectorSim> selector);
    SelectorSim *addSelector(); // a default selector
    void removeSelector(SelectorSim *selector);
    // The selector at index gives way to another in its place (the old one is destroyed).
    // The new selector takes over where the old one's state is kept, and is kept there at once.
    void replaceSelector(int index, std::unique_ptr<SelectorSim> selector);
    int selectorCount() const { return int(m_selectors.size()); }
    SelectorSim *selector(int index = 0) const;

    // Host side of the wire.
    void write(const QByteArray &bytes, int baud);
    void setEcho(bool on) { m_echo = on; }
    bool echo() const { return m_echo; }
    // Pacing: every byte takes 10 bit times at the host's rate.
    void setPacing(bool on) { m_pacing = on; }
    bool pacing() const { return m_pacing; }
    // Drops everything not yet delivered (port closed).
    void flush();
    // The last bytes written by the host, at most HostBytesKept (tests inspect frames).
    static constexpr int HostBytesKept = 64 * 1024;
    QByteArray hostBytes() const { return m_hostBytes; }
    void clearHostBytes() { m_hostBytes.clear(); }

    qint64 nowMs() const { return m_clock.elapsed(); }

signals:
    void bytesForHost(const QByteArray &bytes);

private:
    struct Pending
    {
        double dueMs = 0; // on the bus clock
        QByteArray bytes;
        qint64 seq = 0;
    };
    void schedule(double dueMs, const QByteArray &bytes);
    void deliverDue();
    void armTimer();
    double byteTimeMs(int baud) const;

    std::vector<std::unique_ptr<SelectorSim>> m_selectors;
    QList<Pending> m_pending;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QByteArray m_hostBytes;
    double m_wireFreeMs = 0; // when the host's transmission ends (pacing)
    qint64 m_seq = 0;
    bool m_echo = true;
    bool m_pacing = false;
};
