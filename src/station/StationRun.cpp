#include "station/StationRun.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/DeviceSession.h"
#include "device/ReplyFrame.h"
#include "files/BlockCompare.h"
#include "files/BlockValue.h"
#include "link/CcTalkLink.h"
#include "link/SerialPort.h"
#include "station/StationJournal.h"
#include "stats/ConfigWorkspace.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

namespace {

// Stations of one program share its directory, where opening a file passes through
// temporary.xml: they open theirs one at a time.
QMutex &programDirMutex()
{
    static QMutex mutex;
    return mutex;
}

// What the core would show goes into the selector's record; questions are answered without
// asking, since nobody sits at a station's keyboard between two selectors.
class StationPrompts : public Prompts
{
public:
    explicit StationPrompts(const QString &pin) : m_pin(pin) {}

    void error(const QString &text) override { m_errors << text; }
    void warning(const QString &) override {}
    void information(const QString &) override {}
    Answer confirm(const QString &, Buttons buttons) override
    {
        return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
    }
    bool password(const QString &, const Validator &validate, QString &result) override
    {
        if (m_pin.isEmpty()) {
            error(Msg(1149));
            return false;
        }
        const Verdict problem = validate ? validate(m_pin) : Verdict();
        if (!problem.isEmpty()) {
            error(problem.text);
            return false;
        }
        result = m_pin;
        return true;
    }
    bool inputText(const QString &, const QString &, const Validator &, QString &) override { return false; }
    QString openFileName(const QString &, const QString &, const QString &) override { return QString(); }
    QString saveFileName(const QString &, const QString &, const QString &) override { return QString(); }

    QStringList take()
    {
        QStringList e = m_errors;
        m_errors.clear();
        return e;
    }
    bool hasErrorStarting(const QString &prefix) const
    {
        for (const QString &e : m_errors)
            if (e.startsWith(prefix))
                return true;
        return false;
    }

private:
    QString m_pin;
    QStringList m_errors;
};

// The first words of a message template, up to its first argument: what a failure is counted by.
QString reasonOf(const QString &message)
{
    const int cut = message.indexOf(QRegularExpression(QStringLiteral("[:;(%]")));
    return (cut > 0 ? message.left(cut) : message).trimmed();
}

QString oneLine(const QStringList &lines)
{
    QStringList parts;
    for (const QString &l : lines)
        parts << l.simplified();
    return parts.join(QStringLiteral("; "));
}

} // namespace

// Everything one station needs on its own thread.
class StationRun::Worker
{
public:
    Worker(StationRun &run)
        : m_run(run), m_prompts(run.m_settings.pin), m_session(m_link, m_prompts, run.m_settings.dataDir)
    {
        m_link.DeviceAddress = run.m_settings.address;
        m_link.MonitorAddress = run.m_settings.address;
    }

    // The file into the document and the port opened; false with the reason.
    bool prepare(QString *reason);
    bool selectorAnswers();
    // One selector from identification to its record; false when the budget was spent first.
    bool work(StationRecord &record);

private:
    bool download(StationRecord &record);
    QString addressOfBlock(const QString &caption);

    StationRun &m_run;
    CcTalkLink m_link;
    StationPrompts m_prompts;
    DeviceSession m_session;
    std::unique_ptr<ConfigWorkspace> m_workspace;
    QSet<int> m_unchanged;
};

bool StationRun::Worker::prepare(QString *reason)
{
    const Settings &s = m_run.m_settings;
    {
        QMutexLocker lock(&programDirMutex());
        m_workspace = std::make_unique<ConfigWorkspace>(m_session, m_prompts, s.dataDir);
        // No window is looked at: exactly the file's blocks are written, and a file cut short is
        // refused before anything is sent.
        if (!m_workspace->load() || (m_workspace->files().setRequireWholeFile(true),
                                     m_workspace->files().FileOpen(s.file) != ConfigFiles::Done)) {
            *reason = oneLine(m_prompts.take());
            if (reason->isEmpty())
                *reason = Msg(1139).arg(s.file);
            return false;
        }
    }
    SectionTree &tree = m_workspace->tree();
    tree.showHook = [](SectionTree &) { return true; };
    ConfigTransfer &transfer = m_workspace->transfer();
    if (s.changedOnly) {
        // Blocks the selector already holds are read first and not written.
        tree.showHook = [this](SectionTree &t) {
            m_unchanged = BlockCompare::unchangedNodes(BlockCompare::againstSelector(t, m_session));
            return true;
        };
        transfer.writeFilter = [this](int node) { return !m_unchanged.contains(node); };
    }
    transfer.verifyWrites = [] { return true; };

    m_link.setPortName(s.port);
    if (!m_link.openPort()) {
        *reason = DeviceSession::portOpenFailure(m_link, s.port);
        return false;
    }
    return true;
}

bool StationRun::Worker::selectorAnswers()
{
    QByteArray reply;
    return m_link.Transact(m_link.DeviceAddress, QByteArray(1, char(254)), 5, reply) == CcTalkLink::Ok &&
           ReplyFrame::isAck(reply);
}

QString StationRun::Worker::addressOfBlock(const QString &caption)
{
    SectionTree &tree = m_workspace->tree();
    for (int i = 0; i < tree.count(); ++i)
        if (tree.caption(i) == caption && BlockValue::length(tree.item(i)) > 0)
            return BlockValue::addressText(BlockValue::address(tree.item(i)));
    return QString();
}

bool StationRun::Worker::work(StationRecord &record)
{
    const Settings &s = m_run.m_settings;
    QElapsedTimer clock;
    clock.start();
    record = StationRecord();
    record.port = s.port;
    record.file = QFileInfo(s.file).absoluteFilePath();
    m_prompts.take();
    // Unlocked levels belong to the selector that was pulled.
    m_session.resetAccess();
    m_session.identity.clear();
    m_session.DeviceType.clear();
    m_session.ReportFlag = true;
    m_run.setState(State::Working);

    const bool identified = m_session.Identify();
    record.serialNumber = m_session.identity.serialNumber;
    record.productCode = m_session.identity.productCode;
    record.softwareRevision = m_session.identity.softwareRevision;
    auto finish = [&](const char *result, const QString &message) {
        record.result = QString::fromLatin1(result);
        record.message = message;
        record.durationMs = clock.elapsed();
        record.time = QDateTime::currentDateTimeUtc();
    };

    if (s.budget && !s.budget->take())
        return false;
    // The type comes before anything else the selector is asked to do.
    if (!m_session.DeviceType.isEmpty() && !s.deviceTypes.contains(m_session.DeviceType)) {
        finish("refused", Msg(1134).arg(m_session.DeviceType, s.deviceTypes.join(QStringLiteral(", "))));
        return true;
    }
    if (!identified) {
        const QStringList errors = m_prompts.take();
        finish("failed", errors.isEmpty() ? Msg(99) : oneLine(errors));
        return true;
    }
    if (record.serialNumber.isEmpty() || record.serialNumber == Msg(186)) {
        finish("failed", Msg(1136));
        return true;
    }
    record.again = m_run.m_journal.hasPassed(record.serialNumber);
    if (record.again && !s.again) {
        record.again = false;
        finish("skipped", Msg(1135).arg(record.serialNumber));
        return true;
    }
    m_run.setState(State::Working, record.serialNumber);
    const bool passed = download(record);
    finish(passed ? "passed" : "failed", passed ? QString() : record.message);
    return true;
}

bool StationRun::Worker::download(StationRecord &record)
{
    int started = 0;
    QString block;
    ConfigTransfer &transfer = m_workspace->transfer();
    transfer.progress = [&](const QString &caption, int index, int total) {
        started = index;
        block = caption;
        emit m_run.progress(caption, index, total);
    };
    const ConfigTransfer::Result result = transfer.Download(ConfigTransfer::Source::Document);
    transfer.progress = nullptr;
    if (result == ConfigTransfer::Done) {
        record.blocksWritten = started;
        record.verified = true;
        return true;
    }
    const bool readBackFailed =
        m_prompts.hasErrorStarting(reasonOf(Msg(1081))) || m_prompts.hasErrorStarting(reasonOf(Msg(1082)));
    const bool commitFailed = m_prompts.hasErrorStarting(Msg(136));
    QStringList errors = m_prompts.take();
    if (readBackFailed || commitFailed) {
        record.blocksWritten = started;
    } else if (started > 0) {
        // The block in work when the write failed is named; the walk stopped there, and without
        // a commit the selector keeps what it had.
        record.blocksWritten = started - 1;
        errors << Msg(1137).arg(block, addressOfBlock(block));
    }
    if (errors.isEmpty())
        errors << Msg(131);
    record.message = oneLine(errors);
    return false;
}

StationRun::StationRun(const Settings &settings, StationJournal &journal, QObject *parent)
    : QObject(parent), m_settings(settings), m_journal(journal)
{
    qRegisterMetaType<StationRecord>();
    qRegisterMetaType<StationRun::State>();
    // The message table loads once, before any station's thread reads it.
    Msg(1130);
}

StationRun::~StationRun()
{
    stop();
    wait();
}

void StationRun::start()
{
    if (m_thread)
        return;
    m_stop = false;
    m_thread = QThread::create([this] { runLoop(); });
    connect(m_thread, &QThread::finished, this, &StationRun::finished);
    m_thread->start();
}

void StationRun::stop()
{
    m_stop = true;
}

bool StationRun::wait(int ms)
{
    if (!m_thread)
        return true;
    const bool ended = m_thread->wait(ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(ms));
    if (ended) {
        delete m_thread;
        m_thread = nullptr;
    }
    return ended;
}

bool StationRun::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

StationRun::Counters StationRun::counters() const
{
    QMutexLocker lock(&m_mutex);
    return m_counters;
}

QString StationRun::endReason() const
{
    QMutexLocker lock(&m_mutex);
    return m_endReason;
}

void StationRun::setState(State state, const QString &detail)
{
    m_state = state;
    emit stateChanged(state, detail);
}

void StationRun::endWith(const QString &reason)
{
    QMutexLocker lock(&m_mutex);
    m_endReason = reason;
}

void StationRun::count(const StationRecord &record)
{
    QMutexLocker lock(&m_mutex);
    if (record.result == QLatin1String("passed")) {
        ++m_counters.passed;
        return;
    }
    if (record.result == QLatin1String("skipped"))
        ++m_counters.skipped;
    else if (record.result == QLatin1String("refused"))
        ++m_counters.refused;
    else
        ++m_counters.failed;
    // A refusal is counted by its types, a failure by the kind of its first message.
    const QString reason = record.result == QLatin1String("refused")
                               ? record.message.section(QLatin1Char(';'), 0, 0)
                               : reasonOf(record.message);
    ++m_counters.reasons[reason];
}

void StationRun::runLoop()
{
    Worker worker(*this);
    QString reason;
    if (!worker.prepare(&reason)) {
        endWith(reason);
        setState(State::Idle, reason);
        return;
    }
    const auto spent = [this] { return m_settings.budget && m_settings.budget->left() <= 0; };
    // Polls at the factory test's pace, faster when the removal is to be seen sooner.
    const int pollMs = std::max(20, std::min(m_settings.pollMs, m_settings.removalSilenceMs / 3));
    while (!m_stop && !spent()) {
        setState(State::Waiting);
        while (!m_stop && !spent() && !worker.selectorAnswers())
            CcTalkLink::PumpDelay(unsigned(pollMs));
        if (m_stop || spent())
            break;

        StationRecord record;
        if (!worker.work(record))
            break;
        QString error;
        if (!m_journal.append(record, &error)) {
            if (record.result == QLatin1String("passed") && m_journal.hasPassed(record.serialNumber)) {
                // A station elsewhere on the line recorded this serial number first: its record stands.
                record.result = QStringLiteral("skipped");
                record.message = error;
            } else {
                endWith(error);
                setState(State::Failed, error);
                break;
            }
        }
        count(record);
        emit recorded(record);
        const State verdict = record.result == QLatin1String("passed")    ? State::Passed
                              : record.result == QLatin1String("refused") ? State::Refused
                              : record.result == QLatin1String("skipped") ? State::Skipped
                                                                          : State::Failed;
        setState(verdict, record.message);
        if (m_stop || spent())
            break;

        setState(State::WaitingForRemoval, record.message);
        QElapsedTimer silence;
        silence.start();
        while (!m_stop && silence.elapsed() < m_settings.removalSilenceMs) {
            if (worker.selectorAnswers())
                silence.restart();
            CcTalkLink::PumpDelay(unsigned(pollMs));
        }
    }
    setState(State::Idle);
}

QStringList StationRun::fileDeviceTypes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression marker(QStringLiteral("device=\"([^\"]+)\""));
    QStringList types;
    auto it = marker.globalMatch(QString::fromLatin1(file.readAll()));
    while (it.hasNext()) {
        const QString type = it.next().captured(1);
        if (!types.contains(type))
            types << type;
    }
    return types;
}

int StationRun::verdictMessage(const QString &result)
{
    if (result == QLatin1String("passed"))
        return 1130;
    if (result == QLatin1String("refused"))
        return 1132;
    if (result == QLatin1String("skipped"))
        return 1133;
    return 1131;
}

QString StationRun::stateName(State state)
{
    switch (state) {
    case State::Idle:
        return QStringLiteral("idle");
    case State::Waiting:
        return QStringLiteral("waiting");
    case State::Working:
        return QStringLiteral("working");
    case State::Passed:
        return QStringLiteral("passed");
    case State::Failed:
        return QStringLiteral("failed");
    case State::Refused:
        return QStringLiteral("refused");
    case State::Skipped:
        return QStringLiteral("skipped");
    case State::WaitingForRemoval:
        return QStringLiteral("waiting-for-removal");
    }
    return QString();
}
