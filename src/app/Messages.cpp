#include "app/Messages.h"

#include <QFile>
#include <QHash>

int LanguageBase = 1000;

// The table is compiled into a static library, whose resources must be registered by hand.
static void initMessageResources()
{
    Q_INIT_RESOURCE(messages);
}

namespace {

// A block's numbers are keyed apart from the next block's, however many a block holds.
int key(int base, int n)
{
    return base * 10 + n;
}

QHash<int, QString> &table()
{
    static QHash<int, QString> messages;
    return messages;
}

// Lines are "N<TAB>text"; everything after the tab is the text, blanks included.
// Lines starting with "#" are comments.
bool readBlock(int base, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const int n = line.left(tab).trimmed().toInt(&ok);
        if (!ok || n < 0 || n > TResourceLocalizer::MaxNumber)
            continue;
        table().insert(key(base, n), QString::fromUtf8(line.mid(tab + 1)));
    }
    return true;
}

void ensureLoaded()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    initMessageResources();
    readBlock(1000, QStringLiteral(":/messages/en.txt"));
    readBlock(2000, QStringLiteral(":/messages/it.txt"));
    readBlock(3000, QStringLiteral(":/messages/hr.txt"));
}

} // namespace

QString TResourceLocalizer::LoadMessage(int base, int n)
{
    ensureLoaded();
    if (n < 0 || n > MaxNumber)
        return QString();
    return table().value(key(base, n));
}

bool TResourceLocalizer::loadBlockFromFile(int base, const QString &path)
{
    ensureLoaded();
    QHash<int, QString> &t = table();
    for (auto it = t.begin(); it != t.end();) {
        if (it.key() >= key(base, 0) && it.key() <= key(base, MaxNumber))
            it = t.erase(it);
        else
            ++it;
    }
    return readBlock(base, path);
}
