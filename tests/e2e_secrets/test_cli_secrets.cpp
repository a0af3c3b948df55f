// The PIN kept off the command line, the screen and other users' reach: rxconfig-cli asking on
// its terminal or taking the PIN from a file or the environment, against rxsim on a pty with
// a PIN-protected memory; and the files and socket that hold secrets being the owner's alone.
#include "CliRun.h"
#include "PtyProcess.h"
#include "RxsimProcess.h"

#include "app/Messages.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
const QString kPin = u"1234ABCD"_s;
const QStringList kSecretVariables = {u"RXCONFIG_PIN"_s, u"RXCONFIG_NEW_PIN"_s,
                                      u"RXCONFIG_FACTORY_PASSWORD"_s};

int modeOf(const QString &path)
{
    struct stat st = {};
    return ::lstat(path.toLocal8Bit().constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// The command line of a running process, as ps shows it.
QString argumentsOf(pid_t pid)
{
    QFile cmdline(u"/proc/%1/cmdline"_s.arg(pid));
    return cmdline.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(cmdline.readAll().replace('\0', ' '))
                                             : QString();
}

class TestCliSecrets : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RxsimProcess> m_sim;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString statePath() const { return path(u"selector.state"_s); }
    QStringList withPort(const QStringList &arguments) const
    {
        return QStringList{u"--data-dir"_s, path(u"data"_s), u"--port"_s, m_sim->slavePath} + arguments;
    }

    // A fresh folder with the program's data files; the selector is started apart.
    bool prepare()
    {
        m_sim.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        return QDir(m_dir->path()).mkdir(u"data"_s) &&
               copyDataFiles(path(u"data"_s), {u"rx30.ini"_s, u"io.ini"_s, u"template.xml"_s});
    }
    bool startSim()
    {
        m_sim = std::make_unique<RxsimProcess>(m_dir->path());
        return m_sim->start({u"--masks"_s, u"FFFF0000"_s, u"--pin"_s, kPin, u"--state"_s, statePath()});
    }

    // The CLI with standard input a pipe, no terminal; environment adds to a clean one.
    CliRun cli(const QStringList &arguments, const QStringList &environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name : kSecretVariables)
            env.remove(name);
        for (const QString &e : environment)
            env.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
        return runProgram(QStringLiteral(RXCLI_PATH), withPort(arguments), env);
    }

    // The CLI on a terminal of its own.
    bool startOnTerminal(PtyProcess &p, const QStringList &arguments, const QStringList &environment = {})
    {
        return p.start(QStringLiteral(RXCLI_PATH), withPort(arguments), environment, kSecretVariables);
    }

    // A line of the selector's own state file.
    QString simState(const QString &key) const
    {
        const QRegularExpression re(u"^"_s + QRegularExpression::escape(key) + u"=(.*)$"_s,
                                    QRegularExpression::MultilineOption);
        return re.match(QString::fromUtf8(fileBytes(statePath()))).captured(1).trimmed();
    }

    // What a run wrote to its terminal must not hold the PIN in any case, nor its command line.
    static void verifyNoPin(const QString &text, const QString &pin = kPin)
    {
        QVERIFY2(!text.contains(pin, Qt::CaseInsensitive), qPrintable(text));
    }

private slots:
    void init() { QVERIFY(prepare() && startSim()); }
    void cleanup() { m_sim.reset(); }

    void uploadTakesThePinFromFileOrVariable_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QByteArray>("pinFile");
        QTest::newRow("file") << QStringList{u"--pin-file"_s, u"PIN"_s} << QStringList()
                              << QByteArray("1234abcd\nsecond line\n");
        QTest::newRow("file with CRLF")
            << QStringList{u"--pin-file"_s, u"PIN"_s} << QStringList() << QByteArray("1234ABCD\r\n");
        QTest::newRow("variable") << QStringList() << QStringList{u"RXCONFIG_PIN="_s + kPin} << QByteArray();
        // The option on the command line beats the variable, as it keeps working.
        QTest::newRow("option") << QStringList{u"--pin"_s, kPin} << QStringList{u"RXCONFIG_PIN=00000000"_s}
                                << QByteArray();
    }

    void uploadTakesThePinFromFileOrVariable()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(QByteArray, pinFile);
        if (!pinFile.isEmpty())
            QVERIFY(writeFileBytes(path(u"PIN"_s), pinFile));
        arguments.replaceInStrings(u"PIN"_s, path(u"PIN"_s));
        const QString xml = path(u"up.xml"_s);
        const CliRun r = cli(arguments + QStringList{u"upload"_s, u"-o"_s, xml}, environment);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(QString::fromLatin1(blockValue(fileBytes(xml), "0x0600")), simState(u"memory.0600"_s));
        QVERIFY(!blockValue(fileBytes(xml), "0x07A0").isEmpty());
        if (!arguments.contains(u"--pin"_s))
            verifyNoPin(r.out + r.err);
    }

    void typedPinIsCheckedAskedAgainOrCancelled_data()
    {
        QTest::addColumn<QByteArrayList>("typed");
        QTest::addColumn<QList<int>>("complaints");
        QTest::addColumn<int>("status");
        QTest::newRow("right at once") << QByteArrayList{"1234ABCD\n"} << QList<int>{} << 0;
        QTest::newRow("misfits, wrong twice, then right")
            << QByteArrayList{"12\n", "1234ABCG\n", "00000000\n", "11111111\n", "1234abcd\n"}
            << QList<int>{161, 160, 321, 321} << 0;
        QTest::newRow("refused three times")
            << QByteArrayList{"00000000\n", "11111111\n", "22222222\n"} << QList<int>{321, 321, 321} << 1;
        QTest::newRow("empty line cancels") << QByteArrayList{"\n"} << QList<int>{} << 1;
        QTest::newRow("Ctrl-D cancels") << QByteArrayList{"\x04"} << QList<int>{} << 1;
    }

    void typedPinIsCheckedAskedAgainOrCancelled()
    {
        QFETCH(QByteArrayList, typed);
        QFETCH(QList<int>, complaints);
        QFETCH(int, status);
        const QString xml = path(u"up.xml"_s);
        PtyProcess p;
        QVERIFY(startOnTerminal(p, {u"upload"_s, u"-o"_s, xml}));
        const QString question = Msg(116) + u": "_s;
        for (const QByteArray &entry : typed) {
            QVERIFY2(p.waitFor(question), qPrintable(p.output()));
            // Its arguments as other users see them, after the entries typed so far.
            const QString arguments = argumentsOf(p.pid());
            QVERIFY2(arguments.contains(u"upload"_s), qPrintable(arguments));
            for (const QByteArray &earlier : typed)
                if (earlier.trimmed().size() == 8)
                    verifyNoPin(arguments, QString::fromLatin1(earlier.trimmed()));
            p.type(entry);
        }
        // Nothing more is asked for.
        const int exit = p.finish();
        const QString shown = p.output();
        QVERIFY2(exit == status, qPrintable(shown));
        QCOMPARE(shown.count(question), typed.size());
        qsizetype at = 0;
        for (int message : complaints) {
            at = shown.indexOf(Msg(message), at);
            QVERIFY2(at >= 0, qPrintable(Msg(message) + u" missing in:\n"_s + shown));
            ++at;
        }
        // Typed without echo, and never printed.
        verifyNoPin(shown);
        QCOMPARE(QFileInfo::exists(xml), status == 0);
        if (status == 0)
            QCOMPARE(QString::fromLatin1(blockValue(fileBytes(xml), "0x0600")), simState(u"memory.0600"_s));
    }

    // Each refusal is said once; a wrong PIN from a file is not asked again; nothing is written.
    void withoutTerminalTheMessageSaysHowAndNothingIsWritten()
    {
        const QString xml = path(u"up.xml"_s);
        QVERIFY(writeFileBytes(path(u"PIN"_s), "00000000\n"));
        const QStringList upload{u"upload"_s, u"-o"_s, xml}, change{u"pin"_s, u"-"_s, u"-"_s};
        const struct
        {
            QStringList args, environment;
            int status;
            QString says;
        } cases[] = {
            {upload, {}, 1, Msg(870).arg(u"--pin-file"_s, u"RXCONFIG_PIN"_s)},
            {QStringList{u"--pin-file"_s, path(u"PIN"_s)} + upload, {}, 1, Msg(321)},
            {QStringList{u"--pin-file"_s, path(u"nothing"_s)} + upload, {}, 3, Msg(871) + path(u"nothing"_s)},
            {change, {}, 1, Msg(870).arg(u"--pin-file"_s, u"RXCONFIG_PIN"_s)},
            {change,
             {u"RXCONFIG_PIN="_s + kPin},
             1,
             Msg(870).arg(u"--new-pin-file"_s, u"RXCONFIG_NEW_PIN"_s)},
        };
        for (const auto &c : cases) {
            const CliRun r = cli(c.args, c.environment);
            QVERIFY2(r.status == c.status && r.err.count(c.says) == 1,
                     qPrintable(c.args.join(u' ') + u": "_s + r.err));
            QVERIFY(!QFileInfo::exists(xml));
        }
        QCOMPARE(simState(u"pin"_s), kPin);
    }

    void pinChangeTakesItsValuesFromFileVariableOrTerminal()
    {
        QVERIFY(writeFileBytes(path(u"NEW"_s), "cafe0001\n"));
        const CliRun scripted =
            cli({u"pin"_s, u"-"_s, u"-"_s, u"--new-pin-file"_s, path(u"NEW"_s)}, {u"RXCONFIG_PIN="_s + kPin});
        QVERIFY2(scripted.status == 0 && scripted.err.contains(Msg(192)), qPrintable(scripted.err));
        QCOMPARE(simState(u"pin"_s), u"CAFE0001"_s);
        verifyNoPin(scripted.out + scripted.err, u"CAFE0001"_s);

        const CliRun fromVariables =
            cli({u"pin"_s, u"-"_s, u"-"_s}, {u"RXCONFIG_PIN=CAFE0001"_s, u"RXCONFIG_NEW_PIN=0BADF00D"_s});
        QVERIFY2(fromVariables.status == 0, qPrintable(fromVariables.err));
        QCOMPARE(simState(u"pin"_s), u"0BADF00D"_s);

        // On the terminal: the current PIN, the new one and its confirmation, none echoed.
        struct Session
        {
            QList<QPair<int, QByteArray>> asked; // question, answer typed
            int complaint;                       // the message that ends it, 0 for none
            QString pinAfter;
        };
        const QList<Session> sessions = {
            // The confirmation differs: nothing is sent.
            {{{56, "0BADF00D\n"}, {57, "5EC12E70\n"}, {59, "5EC12E71\n"}}, 60, u"0BADF00D"_s},
            // A new PIN too short is asked again.
            {{{56, "0BADF00D\n"}, {57, "5EC12E7\n"}, {57, "5EC12E70\n"}, {59, "5ec12e70\n"}},
             0,
             u"5EC12E70"_s},
        };
        for (const Session &s : sessions) {
            PtyProcess p;
            QVERIFY(startOnTerminal(p, {u"pin"_s, u"-"_s, u"-"_s}));
            for (const auto &q : s.asked) {
                QVERIFY2(p.waitFor(Msg(q.first)), qPrintable(p.output()));
                p.type(q.second);
            }
            const int status = p.finish();
            QVERIFY2(s.complaint ? status != 0 && p.output().contains(Msg(s.complaint)) : status == 0,
                     qPrintable(p.output()));
            for (const auto &q : s.asked)
                verifyNoPin(p.output(), QString::fromLatin1(q.second.trimmed()));
            QCOMPARE(simState(u"pin"_s), s.pinAfter);
        }
    }

    void simulatorStateAndControlSocketAreTheOwnersWhateverTheUmask()
    {
        QVERIFY(prepare());
        const auto restoreUmask = qScopeGuard([previous = ::umask(0)] { ::umask(previous); });
        // A state file left readable by everyone, as an earlier version wrote it.
        QVERIFY(writeFileBytes(statePath(), "pin=1234ABCD\n"));
        QVERIFY(QFile::setPermissions(statePath(), QFileDevice::Permissions(0x6666)));
        const QString socket = path(u"control.sock"_s); // where the selector is steered from
        QVERIFY(startSim());
        QCOMPARE(modeOf(statePath()), 0600);
        QCOMPARE(modeOf(socket) & 0777, 0600);
        // Written again on a PIN change, still the owner's.
        const CliRun changed = cli({u"pin"_s, kPin, u"00C0FFEE"_s});
        QVERIFY2(changed.status == 0, qPrintable(changed.err));
        QCOMPARE(simState(u"pin"_s), u"00C0FFEE"_s);
        QCOMPARE(modeOf(statePath()), 0600);
    }
};
} // namespace

QTEST_GUILESS_MAIN(TestCliSecrets)
#include "test_cli_secrets.moc"
