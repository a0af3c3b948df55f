#include "device/CommLog.h"

#include "app/Messages.h"
#include "app/Prompts.h"

#include <QDir>
#include <QFileInfo>

CommLog::CommLog(const QString &programDir, Prompts *prompts, QObject *parent)
    : QObject(parent), m_programDir(programDir), m_prompts(prompts), m_decoder(HeaderTable::load(programDir))
{
    m_clock.start();
}

CommLog::~CommLog()
{
    close();
}

QString CommLog::filePath() const
{
    return QDir(m_programDir).filePath(QStringLiteral("log.txt"));
}

QStringList CommLog::lines() const
{
    QStringList out;
    out.reserve(m_entries.size());
    for (const CommLogEntry &e : m_entries)
        out << e.line;
    return out;
}

void CommLog::LogLine(const QString &line)
{
    writeHeld();
    CommLogEntry e;
    e.line = line;
    const qint64 now = m_clock.elapsed();
    e.deltaMs = m_lastMs < 0 ? 0 : now - m_lastMs;
    m_lastMs = now;
    e.decoded = m_decoder.decodeLine(line);
    if (line.startsWith(QLatin1String("-> "))) {
        m_requestHeader = FrameDecoder::headerOf(QByteArray::fromHex(line.mid(3).toLatin1()));
        e.header = m_requestHeader;
    } else if (line.startsWith(QLatin1String("<- "))) {
        e.header = m_requestHeader;
    }
    if (m_entries.size() > MaxLines - 1) {
        m_entries.removeFirst();
        emit firstLineRemoved();
    }
    m_entries.append(e);
    emit lineAdded(line);
    if (!m_file.isOpen())
        return;
    if (line.startsWith(QLatin1String("-> ")))
        m_held = true;
    else
        writeToFile(e);
}

void CommLog::LogOutcome(int result, const QByteArray &received)
{
    const QString mark = m_decoder.decodeOutcome(result, received);
    if (!mark.isEmpty() && !m_entries.isEmpty() && m_entries.last().line.startsWith(QLatin1String("-> "))) {
        CommLogEntry &e = m_entries.last();
        e.decoded = e.decoded.isEmpty() ? mark : e.decoded + QStringLiteral(" | ") + mark;
        e.fault = true;
        emit entryChanged(count() - 1);
    }
    writeHeld();
}

void CommLog::writeHeld()
{
    if (!m_held)
        return;
    m_held = false;
    if (m_file.isOpen() && !m_entries.isEmpty())
        writeToFile(m_entries.last());
}

void CommLog::writeToFile(const CommLogEntry &entry)
{
    const QByteArray bytes = entry.toText().toUtf8() + '\n';
    // Flushed per exchange so a crash loses nothing already logged.
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

QString CommLog::textOf(const QList<int> &rows) const
{
    QStringList out;
    for (int row : rows)
        if (row >= 0 && row < count())
            out << m_entries.at(row).toText();
    return out.isEmpty() ? QString() : out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void CommLog::clear()
{
    writeHeld();
    m_entries.clear();
    emit cleared();
}

bool CommLog::setLogToFile(bool on)
{
    writeHeld();
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
    writeHeld();
    if (m_file.isOpen())
        m_file.close();
}
