#include "app/DataDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestDataDir : public QObject
{
    Q_OBJECT

private slots:
    void explicitDirectoryWinsAndMustExist()
    {
        QTemporaryDir root;
        const QString cwd = root.filePath(QStringLiteral("cwd"));
        QDir().mkpath(cwd);
        writeFile(cwd + QStringLiteral("/rx30.ini"), "[SETTINGS]\n");
        const auto r = DataDir::resolve(root.path(), {}, cwd, root.filePath(QStringLiteral("user")));
        QCOMPARE(r.path, QFileInfo(root.path()).absoluteFilePath());
        const auto missing = DataDir::resolve(root.filePath(QStringLiteral("nope")), {}, cwd, QString());
        QVERIFY(missing.path.isEmpty());
        QVERIFY(!missing.error.isEmpty());
    }

    void workingDirectoryIsUsedOnlyWhenItHoldsTheCatalogue()
    {
        QTemporaryDir root;
        const QString cwd = root.filePath(QStringLiteral("cwd"));
        const QString user = root.filePath(QStringLiteral("user"));
        QDir().mkpath(cwd);
        QCOMPARE(DataDir::resolve(QString(), {}, cwd, user).path, QFileInfo(user).absoluteFilePath());
        writeFile(cwd + QStringLiteral("/rx30.ini"), "[SETTINGS]\n");
        QCOMPARE(DataDir::resolve(QString(), {}, cwd, user).path, QFileInfo(cwd).absoluteFilePath());
    }

    void userDirectoryIsSeededWithoutOverwritingUserFiles()
    {
        QTemporaryDir root;
        const QString seedA = root.filePath(QStringLiteral("nocatalogue"));
        const QString seedB = root.filePath(QStringLiteral("installed"));
        const QString user = root.filePath(QStringLiteral("user"));
        QDir().mkpath(seedA);
        QDir().mkpath(seedB);
        QDir().mkpath(user);
        writeFile(seedA + QStringLiteral("/io.ini"), "wrong seed");
        writeFile(seedB + QStringLiteral("/rx30.ini"), "installed catalogue");
        writeFile(seedB + QStringLiteral("/io.ini"), "installed io");
        QFile::setPermissions(seedB + QStringLiteral("/io.ini"), QFileDevice::ReadOwner);
        writeFile(user + QStringLiteral("/rx30.ini"), "edited by the user");

        const auto r =
            DataDir::resolve(QString(), {seedA, seedB}, root.filePath(QStringLiteral("elsewhere")), user);
        QCOMPARE(r.path, QFileInfo(user).absoluteFilePath());
        QVERIFY(r.seeded);
        QCOMPARE(readFile(user + QStringLiteral("/rx30.ini")), QByteArray("edited by the user"));
        QCOMPARE(readFile(user + QStringLiteral("/io.ini")), QByteArray("installed io"));
        QVERIFY(QFileInfo(user + QStringLiteral("/io.ini")).permissions() & QFileDevice::WriteOwner);

        const auto again =
            DataDir::resolve(QString(), {seedA, seedB}, root.filePath(QStringLiteral("elsewhere")), user);
        QVERIFY(!again.seeded);
    }
};

QTEST_GUILESS_MAIN(TestDataDir)
#include "test_data_dir.moc"
