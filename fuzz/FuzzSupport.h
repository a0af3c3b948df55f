#pragma once
// Shared by the fuzz harnesses: a Qt application object, a scratch directory for the inputs that
// arrive as files, and the property check that turns a broken invariant into a finding.
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// A property that does not hold is kept by libFuzzer like a crash.
#define FUZZ_CHECK(cond, what)                                                                               \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "property failed: %s (%s)\n", what, #cond);                                 \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace fuzz {

inline void startApp()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

inline QString scratchDir()
{
    static QTemporaryDir dir;
    return dir.path();
}

inline QString scratchPath(const QString &name)
{
    return scratchDir() + QLatin1Char('/') + name;
}

inline QString writeScratch(const QString &name, const QByteArray &bytes)
{
    const QString path = scratchPath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The input cut at sep into at most max parts (the last keeps the rest).
inline QList<QByteArray> parts(const uint8_t *data, size_t size, char sep, int max)
{
    const QByteArray all(reinterpret_cast<const char *>(data), int(size));
    QList<QByteArray> out;
    int from = 0;
    while (out.size() + 1 < max) {
        const int at = all.indexOf(sep, from);
        if (at < 0)
            break;
        out << all.mid(from, at - from);
        from = at + 1;
    }
    out << all.mid(from);
    return out;
}

} // namespace fuzz
