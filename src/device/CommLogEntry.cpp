#include "device/CommLogEntry.h"

#include "app/Messages.h"

QString CommLogEntry::deltaText() const
{
    return QLatin1Char('+') + QString::number(deltaMs) + Msg(927);
}

QString CommLogEntry::toText() const
{
    if (decoded.isEmpty())
        return line;
    return line + QLatin1Char('\t') + deltaText() + QStringLiteral("  ") + decoded;
}

bool CommLogEntry::matches(const QString &filter) const
{
    const QString f = filter.trimmed();
    if (f.isEmpty())
        return true;
    bool number = false;
    const int n = f.toInt(&number, 10);
    if (number && n >= 0 && n <= 255)
        return header == n;
    return line.contains(f, Qt::CaseInsensitive) || decoded.contains(f, Qt::CaseInsensitive);
}
