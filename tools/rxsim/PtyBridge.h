#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
class SimBus;

// Connects a SimBus to a pseudo-terminal: the host opens the slave side like a serial
// port; bytes it writes reach the bus at the baud rate it set on the slave.
class PtyBridge : public QObject
{
    Q_OBJECT
public:
    explicit PtyBridge(SimBus *bus, QObject *parent = nullptr);
    ~PtyBridge() override;

    bool open(QString *error);
    QString slavePath() const { return m_slavePath; }
    int hostBaud() const;

private:
    void readHost();
    void writeHost(const QByteArray &bytes);

    SimBus *m_bus;
    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up between host sessions
    QString m_slavePath;
    QSocketNotifier *m_notifier = nullptr;
    qint64 m_lastHostByteMs = -1;
};
