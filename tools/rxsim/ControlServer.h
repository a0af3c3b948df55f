#pragma once

#include "sim/SimControl.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class SimBus;

// The local socket of --control: one command line in, one reply line out.
class ControlServer : public QObject
{
    Q_OBJECT
public:
    ControlServer(SimBus *bus, QObject *parent = nullptr);

    bool listen(const QString &path, QString *error);

signals:
    void quitRequested();

private:
    void accept();
    void readLines(QLocalSocket *socket);

    SimControl m_control;
    QLocalServer *m_server = nullptr;
};
