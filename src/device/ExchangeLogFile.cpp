#include "device/ExchangeLogFile.h"

#include "app/Messages.h"
#include "device/CommLog.h"

ExchangeLogFile::ExchangeLogFile(CommLog &log, QObject *parent) : QObject(parent), m_log(log)
{
    connect(&m_log, &CommLog::lineAdded, this, &ExchangeLogFile::lineAdded);
    connect(&m_log, &CommLog::entryChanged, this, &ExchangeLogFile::entryChanged);
    // Rows move up when the oldest line goes; the held request moves with them.
    connect(&m_log, &CommLog::firstLineRemoved, this, [this] {
        if (m_held >= 0)
            --m_held;
    });
    connect(&m_log, &CommLog::cleared, this, [this] { m_held = -1; });
}

ExchangeLogFile::~ExchangeLogFile()
{
    close();
}

bool ExchangeLogFile::open(const QString &path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        m_error = m_file.errorString();
        return false;
    }
    m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

void ExchangeLogFile::close()
{
    writeHeld();
    if (m_file.isOpen())
        m_file.close();
}

void ExchangeLogFile::lineAdded()
{
    const int row = m_log.count() - 1;
    const CommLogEntry &e = m_log.entry(row);
    if (e.line.startsWith(QLatin1String("<- ")) && m_held >= 0) {
        const CommLogEntry &request = m_log.entry(m_held);
        m_held = -1;
        write(request.line + QStringLiteral("  ") + e.line + QLatin1Char('\t') + request.deltaText() +
              QStringLiteral(", ") + e.deltaText().mid(1) + QLatin1Char('\t') + request.decoded +
              QStringLiteral(" | ") + e.decoded);
        return;
    }
    writeHeld();
    if (e.line.startsWith(QLatin1String("-> ")))
        m_held = row;
    else
        write(e.decoded.isEmpty()
                  ? e.line
                  : e.line + QLatin1Char('\t') + e.deltaText() + QLatin1Char('\t') + e.decoded);
}

void ExchangeLogFile::entryChanged(int row)
{
    // A mark arrives when the exchange ended without a reply: the request stands alone.
    if (row == m_held)
        writeHeld();
}

void ExchangeLogFile::writeHeld()
{
    if (m_held < 0 || m_held >= m_log.count())
        return;
    const CommLogEntry &e = m_log.entry(m_held);
    m_held = -1;
    write(e.line + QLatin1Char('\t') + e.deltaText() + QLatin1Char('\t') + e.decoded);
}

void ExchangeLogFile::write(const QString &text)
{
    if (!m_file.isOpen())
        return;
    const QByteArray bytes = text.toUtf8() + '\n';
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        m_error = m_file.errorString();
        m_file.close();
    }
}
