#include "ControlServer.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
constexpr int MaxLineLength = 4096;
}

ControlServer::ControlServer(SimBus *bus, QObject *parent) : QObject(parent), m_control(bus)
{
}

bool ControlServer::listen(const QString &path, QString *error)
{
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(path); // a socket file left by a killed run
    // Whoever reaches the socket inserts coins and injects faults: the owner only. Qt binds it
    // in a private folder and moves it into place, so it is never open to others, not even briefly.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(path, m_server->errorString());
        return false;
    }
    // Qt leaves the owner's execute bit set, which means nothing on a socket.
    QFile::setPermissions(m_server->fullServerName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    connect(m_server, &QLocalServer::newConnection, this, &ControlServer::accept);
    return true;
}

void ControlServer::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLines(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void ControlServer::readLines(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(MaxLineLength);
        const QString reply = m_control.execute(QString::fromUtf8(line).trimmed());
        socket->write(reply.toUtf8() + '\n');
        socket->flush();
        if (m_control.quitRequested()) {
            socket->waitForBytesWritten(500);
            emit quitRequested();
            return;
        }
    }
    if (socket->bytesAvailable() > MaxLineLength) {
        // A line without end: answer once and drop it rather than buffer without limit.
        socket->readAll();
        socket->write("ERR line too long\n");
    }
}
