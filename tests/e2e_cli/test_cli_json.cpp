// rxconfig-cli --json against rxsim on a pseudo-terminal: every report parsed as JSON and held
// against the simulator's own state, stderr JSON lines only, a failure one error object.
#include "CliRun.h"
#include "Firmware.h"
#include "RxsimProcess.h"
#include "app/Messages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct JsonRun
{
    int status = -1;
    QList<QJsonObject> out, err; // one object per line
    QString text;                // all that was printed, for the failure message
};

class TestCliJson : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<RxsimProcess> m_sim;

    // Runs on rxsim; `during` goes to its control socket half a second after the run's first
    // line (or 0.8 s), "=command" before the run. Every line of both streams must be a JSON object.
    JsonRun run(const QString &args, const QString &during)
    {
        QProcess p;
        if (during.startsWith(u'='))
            m_sim->command(during.mid(1));
        p.start(QStringLiteral(RXCLI_PATH),
                QStringList{u"--data-dir"_s, m_dir.path(), u"--port"_s, m_sim->slavePath} +
                    args.split(u' ', Qt::SkipEmptyParts));
        p.closeWriteChannel();
        if (!during.isEmpty() && !during.startsWith(u'=')) {
            p.waitForReadyRead(800);
            QThread::msleep(500);
            m_sim->command(during);
        }
        JsonRun r;
        if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit)
            r.status = p.exitCode();
        const QByteArray out = p.readAllStandardOutput(), err = p.readAllStandardError();
        r.text = QString::fromUtf8(out + err);
        for (auto [bytes, list] : {std::pair{&out, &r.out}, std::pair{&err, &r.err}})
            for (const QByteArray &line : bytes->split('\n'))
                if (!line.isEmpty()) {
                    const QJsonDocument doc = QJsonDocument::fromJson(line);
                    if (!doc.isObject())
                        r.status = -2;
                    list->append(doc.object());
                }
        return r;
    }
    QByteArray nv(const QString &address, int count)
    {
        return QByteArray::fromHex(
            m_sim->command(u"dump-nv %1 %2"_s.arg(address).arg(count)).mid(3).toLatin1());
    }

private slots:
    void everyReportParsesAndHoldsWhatTheSelectorHolds()
    {
        if (QStringLiteral(RXSIM_PATH).isEmpty())
            QSKIP("rxsim is not built");
        QVERIFY(copyDataFiles(m_dir.path(), {u"rx30.ini"_s, u"io.ini"_s, u"template.xml"_s}));
        m_sim = std::make_unique<RxsimProcess>(m_dir.path());
        QVERIFY(m_sim->start({u"--serial"_s, u"7654321"_s}));
        // A technician's file, and the same with channel 2 made a copy of channel 1.
        const QString unit = m_dir.filePath(u"unit.xml"_s), edited = m_dir.filePath(u"edited.xml"_s);
        QCOMPARE(run(u"--json upload -o "_s + unit, {}).status, 0);
        const QByteArray text = fileBytes(unit);
        const QString channel1 = QString::fromLatin1(blockValue(text, "0x0600"));
        const QString channel2 = QString::fromLatin1(blockValue(text, "0x0610"));
        QVERIFY(writeFileBytes(edited, withBlock(text, "0x0610", channel1.toLatin1())));
        const QString firmware = makeFirmware(m_dir.path(), "RX30BOOT1", 512);
        QVERIFY(!firmware.isEmpty());

        const auto first = [](const JsonRun &r) -> const QJsonObject { return r.out.value(0); };
        const struct
        {
            QString args;
            int status;
            int error; // the message of the error object on stderr; 0: none
            std::function<bool(const JsonRun &)> holds;
            QString during = {}; // "=..." goes to rxsim before the run

        } cases[] = {
            {u"--json identify"_s, 0, 0,
             [&](const JsonRun &r) {
                 return r.out.size() == 1 && first(r)[u"serial"_s] == 7654321 &&
                        first(r)[u"address"_s] == 2 && first(r)[u"port"_s] == m_sim->slavePath;
             }},
            {u"--json diff "_s + edited, 1, 0,
             [&](const JsonRun &r) {
                 const QJsonObject block = first(r)[u"blocks"_s][0].toObject();
                 return first(r)[u"equal"_s] == false && first(r)[u"changed"_s] == 1 &&
                        first(r)[u"blocks"_s].toArray().size() == 1 && block[u"address"_s] == 0x0610 &&
                        block[u"addressHex"_s] == u"0x0610"_s && block[u"current"_s] == channel2 &&
                        block[u"wanted"_s] == channel1;
             }},
            {u"--json show "_s + unit, 0, 0,
             [&](const JsonRun &r) {
                 const QJsonObject ch1 = first(r)[u"channels"_s][0].toObject();
                 return first(r)[u"sections"_s].toArray().size() == 4 && ch1[u"channel"_s] == 1 &&
                        ch1[u"windows"_s][u"AM1"_s][u"centre"_s] == quint8(nv(u"0600"_s, 1).at(0)) &&
                        ch1[u"enabled"_s].isBool() && first(r)[u"parameters"_s][0][u"address"_s] == 0x07A0;
             }},
            {u"--json stats"_s, 0, 0,
             [&](const JsonRun &r) {
                 const QByteArray counter = nv(u"0803"_s, 3);
                 return first(r)[u"slots"_s].toArray().size() == 20 &&
                        first(r)[u"slots"_s][1][u"value"_s] ==
                            (quint8(counter[0]) << 16 | quint8(counter[1]) << 8 | quint8(counter[2]));
             }},
            {u"--json --yes download "_s + edited + u" --changed-only"_s, 0, 0,
             [&](const JsonRun &r) {
                 int written = 0;
                 for (const QJsonValue &b : first(r)[u"blocks"_s].toArray())
                     written += b[u"written"_s].toBool() ? (b[u"address"_s] == 0x0610 ? 1 : 100) : 0;
                 return written == 1 && first(r)[u"written"_s] == 1 &&
                        nv(u"0610"_s, 16).toHex().toUpper() == channel1.toLatin1();
             }},
            {u"--json monitor --count 5"_s, 0, 0,
             [&](const JsonRun &r) {
                 bool ok = r.out.size() == 5;
                 for (const QJsonObject &o : r.out)
                     ok = ok && o[u"sw1"_s] == QJsonArray{false, true, false, true, false, true} &&
                          o[u"millivolts"_s][u"AM1"_s].isDouble();
                 return ok;
             },
             u"=dip 1 2A"_s},
            {u"--json --yes teach --channel 5 --samples 3"_s, 0, 0,
             [&](const JsonRun &r) {
                 const QJsonObject record = r.out.value(3);
                 return r.out.size() == 4 && r.out[2][u"sample"_s] == 3 &&
                        r.out[2][u"values"_s].toArray().size() == 6 && record[u"channel"_s] == 5 &&
                        record[u"written"_s] == true &&
                        record[u"record"_s] == QString::fromLatin1(nv(u"0640"_s, 16).toHex().toUpper());
             },
             u"burst c50 3 300"_s},
            {u"--json ports"_s, 0, 0,
             [&](const JsonRun &r) { return first(r)[u"ports"_s].toArray().contains(m_sim->slavePath); }},
            {u"--json --address 9 diff "_s + unit, 5, 428, [](const JsonRun &r) { return r.out.isEmpty(); }},
            {u"--language it --json monitor --count 0"_s, 2, 782,
             [](const JsonRun &r) { return r.out.isEmpty(); }},
            {u"--json --yes upgrade --no-backup "_s + firmware, 0, 0,
             [&](const JsonRun &r) {
                 const QJsonObject last = r.out.value(r.out.size() - 1),
                                   progress = r.out.value(r.out.size() - 2);
                 return r.out.size() > 2 && progress[u"records"_s] == progress[u"total"_s] &&
                        progress[u"percent"_s] == 100 && last[u"result"_s] == u"flashed"_s &&
                        m_sim->command(u"status"_s).endsWith(u"revision="_s + last[u"revision"_s].toString());
             }},
        };
        for (const auto &c : cases) {
            const JsonRun r = run(c.args, c.during);
            QVERIFY2(r.status == c.status && c.holds(r), qPrintable(c.args + u"\n"_s + r.text));
            // A failure is the one error object, last, with the status the run exits with.
            const QJsonObject error = r.err.value(r.err.size() - 1)[u"error"_s].toObject();
            QVERIFY2(c.error ? error[u"message"_s] == c.error && error[u"exit"_s] == c.status
                             : error.isEmpty(),
                     qPrintable(c.args + u"\n"_s + r.text));
            // Texts follow the language; the message numbers do not.
            if (c.error && c.args.contains(u"--language it"_s))
                QVERIFY(!error[u"text"_s].toString().startsWith(Msg(c.error).left(8)));
        }
    }
};

} // namespace

QTEST_GUILESS_MAIN(TestCliJson)
#include "test_cli_json.moc"
