#include "config/IniFile.h"

#include <QFileInfo>
#include <QSaveFile>

IniFile::IniFile(const QString &path) : m_path(path) {}

void IniFile::setPath(const QString &path)
{
    m_path = path;
    m_stamp = -1;
    m_size = -1;
    m_lines.clear();
}

bool IniFile::exists() const
{
    return !m_path.isEmpty() && QFileInfo::exists(m_path);
}

void IniFile::refresh() const
{
    QFileInfo info(m_path);
    if (m_path.isEmpty() || !info.exists()) {
        m_lines.clear();
        m_stamp = -1;
        m_size = -1;
        return;
    }
    const qint64 stamp = info.lastModified().toMSecsSinceEpoch();
    if (stamp == m_stamp && info.size() == m_size)
        return;
    m_lines.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    m_stamp = stamp;
    m_size = content.size();
    m_newline = content.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
    int start = 0;
    while (start < content.size()) {
        int nl = content.indexOf('\n', start);
        Line line;
        if (nl < 0) {
            line.raw = content.mid(start);
            start = content.size();
        } else {
            line.raw = content.mid(start, nl - start);
            line.end = "\n";
            start = nl + 1;
        }
        if (line.raw.endsWith('\r') && !line.end.isEmpty()) {
            line.raw.chop(1);
            line.end = "\r\n";
        }
        m_lines.append(line);
    }
}

QString IniFile::sectionName(const QByteArray &raw, bool *isSection)
{
    const QByteArray t = raw.trimmed();
    *isSection = t.startsWith('[');
    if (!*isSection)
        return QString();
    const int close = t.indexOf(']');
    const QByteArray name = close < 0 ? t.mid(1) : t.mid(1, close - 1);
    return QString::fromUtf8(name).trimmed();
}

bool IniFile::splitKey(const QByteArray &raw, QString *key, QString *value)
{
    const QByteArray t = raw.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('['))
        return false;
    const int eq = t.indexOf('=');
    if (eq <= 0)
        return false;
    *key = QString::fromUtf8(t.left(eq)).trimmed();
    if (value)
        *value = QString::fromUtf8(t.mid(eq + 1)).trimmed();
    return !key->isEmpty();
}

int IniFile::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        bool isSection = false;
        const QString name = sectionName(m_lines.at(i).raw, &isSection);
        if (isSection && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::findKey(int sectionLine, const QString &key) const
{
    for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
        bool isSection = false;
        sectionName(m_lines.at(i).raw, &isSection);
        if (isSection)
            break;
        QString name;
        if (splitKey(m_lines.at(i).raw, &name, nullptr) && name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList IniFile::sections() const
{
    refresh();
    QStringList out;
    for (const Line &line : m_lines) {
        bool isSection = false;
        const QString name = sectionName(line.raw, &isSection);
        if (isSection && !out.contains(name, Qt::CaseInsensitive))
            out << name;
    }
    return out;
}

bool IniFile::hasSection(const QString &section) const
{
    refresh();
    return findSection(section) >= 0;
}

QStringList IniFile::keys(const QString &section) const
{
    refresh();
    QStringList out;
    const int s = findSection(section);
    if (s < 0)
        return out;
    for (int i = s + 1; i < m_lines.size(); ++i) {
        bool isSection = false;
        sectionName(m_lines.at(i).raw, &isSection);
        if (isSection)
            break;
        QString name;
        if (splitKey(m_lines.at(i).raw, &name, nullptr) && !out.contains(name, Qt::CaseInsensitive))
            out << name;
    }
    return out;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    refresh();
    const int s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

QString IniFile::readValue(const QString &section, const QString &key, const QString &def) const
{
    refresh();
    const int s = findSection(section);
    if (s < 0)
        return def;
    const int k = findKey(s, key);
    if (k < 0)
        return def;
    QString name, value;
    splitKey(m_lines.at(k).raw, &name, &value);
    return value;
}

bool IniFile::writeValue(const QString &section, const QString &key, const QString &value)
{
    m_error.clear();
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("No file name");
        return false;
    }
    refresh();
    QList<Line> lines = m_lines;
    const QByteArray entry = key.toUtf8() + '=' + value.toUtf8();
    const int s = findSection(section);
    if (s < 0) {
        // A new section goes at the end, after a blank line when the file has content.
        if (!lines.isEmpty() && lines.last().end.isEmpty())
            lines.last().end = m_newline;
        if (!lines.isEmpty() && !lines.last().raw.trimmed().isEmpty())
            lines.append({QByteArray(), m_newline});
        lines.append({'[' + section.toUtf8() + ']', m_newline});
        lines.append({entry, m_newline});
    } else {
        const int k = findKey(s, key);
        if (k >= 0) {
            lines[k].raw = entry;
        } else {
            // After the section's last non-blank line.
            int last = s;
            for (int i = s + 1; i < lines.size(); ++i) {
                bool isSection = false;
                sectionName(lines.at(i).raw, &isSection);
                if (isSection)
                    break;
                if (!lines.at(i).raw.trimmed().isEmpty())
                    last = i;
            }
            if (lines[last].end.isEmpty())
                lines[last].end = m_newline;
            lines.insert(last + 1, {entry, m_newline});
        }
    }

    QByteArray content;
    for (const Line &line : lines)
        content += line.raw + line.end;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        m_error = file.errorString();
        return false;
    }
    m_lines = lines;
    QFileInfo info(m_path);
    m_stamp = info.lastModified().toMSecsSinceEpoch();
    m_size = content.size();
    return true;
}
