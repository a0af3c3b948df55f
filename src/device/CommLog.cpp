#include "device/CommLog.h"

#include "app/Messages.h"
#include "app/Prompts.h"

#include <QDir>
#include <QFileInfo>

CommLog::CommLog(const QString &programDir, Prompts *prompts, QObject *parent)
    : QObject(parent), m_programDir(programDir), m_prompts(prompts)
{
}

CommLog::~CommLog()
{
    close();
}

QString CommLog::filePath() const
{
    return QDir(m_programDir).filePath(QStringLiteral("log.txt"));
}

void CommLog::LogLine(const QString &line)
{
    if (m_lines.size() > MaxLines - 1) {
        m_lines.removeFirst();
        emit firstLineRemoved();
    }
    m_lines.append(line);
    emit lineAdded(line);
    if (!m_file.isOpen())
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    // Flushed per line so a crash loses nothing already logged.
    if (m_file.write(bytes) != bytes.size() || !m_file.flush())
        fileFailed();
}

void CommLog::fileFailed()
{
    const QString reason = m_file.errorString();
    m_file.close();
    emit logToFileChanged(false);
    if (m_prompts)
        m_prompts->error(Msg(424) + filePath() + QStringLiteral(": ") + reason);
}

bool CommLog::ClearLog()
{
    if (m_prompts && m_prompts->confirm(Msg(213), Prompts::Buttons::OkCancel) != Prompts::Answer::Ok)
        return false;
    clear();
    return true;
}

void CommLog::clear()
{
    m_lines.clear();
    emit cleared();
}

bool CommLog::setLogToFile(bool on)
{
    if (!on) {
        if (m_file.isOpen()) {
            m_file.close();
            emit logToFileChanged(false);
        }
        return true;
    }
    if (m_file.isOpen())
        m_file.close();
    const QString path = filePath();
    m_file.setFileName(path);
    // The PIN exchange is logged with the PIN: the file is its owner's alone, whatever the umask.
    // A plain file is replaced by a fresh one, which also shuts out a reader of the earlier one;
    // a link or device the user put in its place is used as it is.
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileInfo before(path);
    if (before.isFile() && !before.isSymLink())
        QFile::remove(path);
    const bool opened = m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text, ownerOnly) ||
                        m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    if (!opened || (QFileInfo(path).isFile() && !m_file.setPermissions(ownerOnly))) {
        fileFailed();
        return false;
    }
    emit logToFileChanged(true);
    return true;
}

void CommLog::close()
{
    if (m_file.isOpen())
        m_file.close();
}
