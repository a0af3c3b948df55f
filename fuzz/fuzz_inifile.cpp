// An INI file as found on disk, then one key written and everything read back. Input: the file,
// then NUL, section, NUL, key, NUL, value. Property: the written key reads back as written, every
// other key keeps its value, and a fresh reader sees the same.
#include "FuzzSupport.h"
#include "config/IniFile.h"

#include <QMap>

namespace {

// Keeps only what a caller can store in a name (or a value): printable ASCII on one line.
QString clean(const QByteArray &raw, bool name)
{
    QString out;
    for (char c : raw) {
        if (c < 0x20 || c > 0x7E)
            continue;
        if (name && (c == '[' || c == ']' || c == '=' || c == ';'))
            continue;
        out += QLatin1Char(c);
    }
    return out.trimmed();
}

using Snapshot = QMap<QPair<QString, QString>, QString>;

Snapshot snapshot(const IniFile &ini)
{
    Snapshot all;
    for (const QString &s : ini.sections()) {
        for (const QString &k : ini.keys(s))
            all.insert({s.toLower(), k.toLower()}, ini.readValue(s, k));
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> p = fuzz::parts(data, size, '\0', 4);
    const QString path = fuzz::writeScratch(QStringLiteral("input.ini"), p.at(0));
    IniFile ini(path);
    const Snapshot before = snapshot(ini);
    if (p.size() < 4)
        return 0;
    const QString section = clean(p.at(1), true);
    const QString key = clean(p.at(2), true);
    const QString value = clean(p.at(3), false);
    if (key.isEmpty() || section.isEmpty())
        return 0;
    FUZZ_CHECK(ini.writeValue(section, key, value), "the key is written");
    FUZZ_CHECK(ini.readValue(section, key, QStringLiteral("\x01")) == value, "the key reads back");
    const IniFile fresh(path);
    FUZZ_CHECK(fresh.readValue(section, key, QStringLiteral("\x01")) == value, "a fresh reader sees it");
    Snapshot expected = before;
    expected.insert({section.toLower(), key.toLower()}, value);
    const Snapshot after = snapshot(fresh);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        FUZZ_CHECK(after.value(it.key(), QStringLiteral("\x01")) == it.value(), "every other key is kept");
    FUZZ_CHECK(after.size() == expected.size(), "no key appears from nowhere");
    return 0;
}
