#include "station/TStationFrm.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/IniFile.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "link/PortFactory.h"
#include "main/ScreenTour.h"
#include "main/TMainFrm.h"
#include "station/StationJournal.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kLinesShown = 200;

QColor colourOf(StationRun::State state, QColor idle)
{
    switch (state) {
    case StationRun::State::Waiting:
        return Qt::yellow;
    case StationRun::State::Working:
        return Qt::cyan;
    case StationRun::State::Passed:
        return Qt::green;
    case StationRun::State::Failed:
        return Qt::red;
    case StationRun::State::Refused:
        return QColor(255, 140, 0);
    case StationRun::State::Skipped:
        return Qt::lightGray;
    case StationRun::State::Idle:
    case StationRun::State::WaitingForRemoval:
        break;
    }
    return idle;
}

[[maybe_unused]] const bool registered =
    ScreenTour::addDialog(QStringLiteral("production-station"), [](TMainFrm &m) -> QDialog * {
        const QString own = m.link().portName();
        m.stationFrm()->prepare(PortList::ports({own}), {own}, m.session().DeviceType);
        return m.stationFrm();
    });

} // namespace

TStationFrm::TStationFrm(Prompts &prompts, const QString &dataDir, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_dataDir(dataDir)
{
    setObjectName(QStringLiteral("TStationFrm"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QGridLayout;
    for (QLabel *&c : m_captions)
        c = new QLabel(this);
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("file"));
    m_fileButton = new QPushButton(this);
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("type"));
    m_journal = new QLineEdit(defaultJournal(dataDir), this);
    m_journal->setObjectName(QStringLiteral("journal"));
    m_journalButton = new QPushButton(this);
    m_ports = new QListWidget(this);
    m_ports->setObjectName(QStringLiteral("ports"));
    m_ports->setMaximumHeight(90);
    form->addWidget(m_captions[0], 0, 0);
    form->addWidget(m_file, 0, 1);
    form->addWidget(m_fileButton, 0, 2);
    form->addWidget(m_captions[1], 1, 0);
    form->addWidget(m_type, 1, 1, 1, 2, Qt::AlignLeft);
    form->addWidget(m_captions[2], 2, 0);
    form->addWidget(m_journal, 2, 1);
    form->addWidget(m_journalButton, 2, 2);
    form->addWidget(m_captions[3], 3, 0, Qt::AlignTop);
    form->addWidget(m_ports, 3, 1, 1, 2);
    form->setColumnStretch(1, 1);
    layout->addLayout(form);

    m_panelGrid = new QGridLayout;
    layout->addLayout(m_panelGrid);
    m_counters = new QLabel(this);
    m_counters->setObjectName(QStringLiteral("counters"));
    layout->addWidget(m_counters);
    layout->addWidget(m_captions[4]);
    m_lines = new QListWidget(this);
    m_lines->setObjectName(QStringLiteral("lines"));
    m_lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_lines, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("start"));
    m_close = new QPushButton(this);
    buttons->addWidget(m_start);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    connect(m_fileButton, &QPushButton::clicked, this, &TStationFrm::chooseFile);
    connect(m_journalButton, &QPushButton::clicked, this, &TStationFrm::chooseJournal);
    connect(m_start, &QPushButton::clicked, this, &TStationFrm::startOrStop);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 560);
    init_language();
}

TStationFrm::~TStationFrm()
{
    // Each run stops and waits for its thread; the journal outlives them.
    m_runs.clear();
}

QString TStationFrm::defaultJournal(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("station-journal.sqlite"));
}

void TStationFrm::init_language()
{
    setWindowTitle(Msg(1220));
    const int captions[5] = {1221, 1222, 1223, 1224, 1229};
    for (int i = 0; i < 5; ++i)
        m_captions[i]->setText(Msg(captions[i]));
    m_fileButton->setText(Msg(1225));
    m_journalButton->setText(Msg(1225));
    m_start->setText(Msg(running() ? 1037 : 249));
    m_close->setText(Msg(68));
    showCounters();
}

void TStationFrm::prepare(const QStringList &ports, const QStringList &chosen, const QString &type)
{
    if (running())
        return;
    m_ports->clear();
    for (const QString &port : ports) {
        auto *item = new QListWidgetItem(port, m_ports);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.contains(port) ? Qt::Checked : Qt::Unchecked);
    }
    const QString chosenType = m_type->count() > 0 ? m_type->currentText() : type;
    m_type->clear();
    m_type->addItems(IniFile(QDir(m_dataDir).filePath(QStringLiteral("rx30.ini")))
                         .keys(QStringLiteral("SUPPORTED TYPES")));
    if (!chosenType.isEmpty())
        m_type->setCurrentText(chosenType);
}

void TStationFrm::chooseFile()
{
    const QString name =
        m_prompts.openFileName(Msg(1221), QFileInfo(m_file->text()).path(), QStringLiteral("*.xml"));
    if (name.isEmpty())
        return;
    m_file->setText(QDir::toNativeSeparators(name));
    // A file that names the type it was made for chooses it.
    const QStringList types = StationRun::fileDeviceTypes(name);
    if (!types.isEmpty() && m_type->findText(types.first()) >= 0)
        m_type->setCurrentText(types.first());
}

void TStationFrm::chooseJournal()
{
    const QString name = m_prompts.saveFileName(Msg(1223), QFileInfo(m_journal->text()).path(), Msg(1226));
    if (!name.isEmpty())
        m_journal->setText(QDir::toNativeSeparators(name));
}

void TStationFrm::startOrStop()
{
    if (running())
        stopAll();
    else
        start();
}

bool TStationFrm::start()
{
    const QString file = QDir::fromNativeSeparators(m_file->text().trimmed());
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        m_prompts.error(file.isEmpty() ? Msg(1227) : Msg(1139).arg(file));
        return false;
    }
    QStringList ports;
    for (int i = 0; i < m_ports->count(); ++i)
        if (m_ports->item(i)->checkState() == Qt::Checked)
            ports << m_ports->item(i)->text();
    if (ports.isEmpty()) {
        m_prompts.error(Msg(1228));
        return false;
    }
    const QString target = QDir::fromNativeSeparators(m_journal->text().trimmed());
    QString error;
    m_journalFile = StationJournal::open(target, target.endsWith(QLatin1String(".jsonl")), &error);
    if (!m_journalFile) {
        m_prompts.error(error);
        return false;
    }

    StationRun::Settings base;
    base.file = QFileInfo(file).absoluteFilePath();
    base.deviceTypes = {m_type->currentText()};
    base.dataDir = m_dataDir;
    base.address = quint8(
        IniFile(QDir(m_dataDir).filePath(QStringLiteral("rx30.ini")))
            .readValue(QStringLiteral("SETTINGS"), QStringLiteral("DeviceAddress"), QStringLiteral("2"))
            .toInt());
    if (base.address == 0)
        base.address = 2;
    clearPanels();
    m_lines->clear();
    m_finalCounters = StationRun::Counters();
    for (const QString &port : ports) {
        StationRun::Settings s = base;
        s.port = port;
        auto *panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("panel-") + port);
        panel->setMinimumHeight(64);
        panel->setAlignment(Qt::AlignCenter);
        panel->setAutoFillBackground(true);
        panel->setWordWrap(true);
        panel->setTextFormat(Qt::RichText);
        const int n = int(m_panels.size());
        m_panelGrid->addWidget(panel, n / 2, n % 2);
        m_panels.insert(port, panel);

        m_runs.push_back(std::make_unique<StationRun>(s, *m_journalFile));
        StationRun *run = m_runs.back().get();
        connect(
            run, &StationRun::stateChanged, this,
            [this, port](StationRun::State state, const QString &detail) { showState(port, state, detail); });
        connect(run, &StationRun::recorded, this, &TStationFrm::showRecord);
        connect(run, &StationRun::finished, this, &TStationFrm::runEnded);
        showState(port, StationRun::State::Waiting, QString());
    }
    for (QWidget *w : {static_cast<QWidget *>(m_file), static_cast<QWidget *>(m_fileButton),
                       static_cast<QWidget *>(m_type), static_cast<QWidget *>(m_journal),
                       static_cast<QWidget *>(m_journalButton), static_cast<QWidget *>(m_ports)})
        w->setEnabled(false);
    m_start->setText(Msg(1037));
    showCounters();
    for (auto &run : m_runs)
        run->start();
    return true;
}

void TStationFrm::stopAll()
{
    for (auto &run : m_runs)
        run->stop();
    m_start->setEnabled(false);
}

void TStationFrm::runEnded()
{
    for (auto &run : m_runs)
        if (run->isRunning())
            return;
    // Every station has ended: say why each that ended on its own did, then free the form.
    for (auto &run : m_runs) {
        const QString why = run->endReason();
        if (QLabel *panel = m_panels.value(run->settings().port)) {
            panel->setText((why.isEmpty() ? Msg(1230).arg(run->settings().port)
                                          : Msg(1150).arg(run->settings().port, why))
                               .toHtmlEscaped());
            panel->setPalette(palette());
        }
    }
    showCounters();
    std::vector<std::unique_ptr<StationRun>> ended;
    ended.swap(m_runs);
    for (auto &run : ended)
        run->wait();
    for (QWidget *w : {static_cast<QWidget *>(m_file), static_cast<QWidget *>(m_fileButton),
                       static_cast<QWidget *>(m_type), static_cast<QWidget *>(m_journal),
                       static_cast<QWidget *>(m_journalButton), static_cast<QWidget *>(m_ports)})
        w->setEnabled(true);
    m_start->setEnabled(true);
    m_start->setText(Msg(249));
    if (m_closeWhenEnded) {
        m_closeWhenEnded = false;
        QDialog::done(QDialog::Rejected);
    }
}

void TStationFrm::showState(const QString &port, StationRun::State state, const QString &detail)
{
    QLabel *panel = m_panels.value(port);
    if (!panel)
        return;
    // The state in large words, read from across the bench; the detail below it.
    const auto page = [](const QString &big, const QString &small) {
        QString html = QStringLiteral("<div style=\"font-size:x-large; font-weight:bold\">%1</div>")
                           .arg(big.toHtmlEscaped());
        if (!small.isEmpty())
            html += QStringLiteral("<div>%1</div>").arg(small.toHtmlEscaped());
        return html;
    };
    switch (state) {
    case StationRun::State::Waiting:
        panel->setText(page(Msg(1146).arg(port), QString()));
        break;
    case StationRun::State::Working:
        panel->setText(page(Msg(1147).arg(port, detail), QString()));
        break;
    case StationRun::State::WaitingForRemoval:
        // The verdict stays in its colour until the selector is pulled.
        panel->setText(panel->text() +
                       QStringLiteral("<div><b>%1</b></div>").arg(Msg(1148).arg(port).toHtmlEscaped()));
        return;
    case StationRun::State::Idle:
        return;
    default:
        panel->setText(
            page(Msg(StationRun::verdictMessage(StationRun::stateName(state))) + QStringLiteral("  ") + port,
                 detail));
        break;
    }
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, colourOf(state, palette().color(QPalette::Window)));
    p.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(p);
    showCounters();
}

void TStationFrm::showRecord(const StationRecord &r)
{
    const QString line = QStringLiteral("%1  %2  %3  %4  %5")
                             .arg(r.time.toLocalTime().toString(QStringLiteral("HH:mm:ss")), r.port,
                                  r.serialNumber.isEmpty() ? QStringLiteral("-") : r.serialNumber,
                                  Msg(StationRun::verdictMessage(r.result)), r.message)
                             .trimmed();
    m_lines->insertItem(0, line);
    while (m_lines->count() > kLinesShown)
        delete m_lines->takeItem(m_lines->count() - 1);
    showCounters();
}

void TStationFrm::showCounters()
{
    StationRun::Counters total;
    for (auto &run : m_runs) {
        const StationRun::Counters c = run->counters();
        total.passed += c.passed;
        total.failed += c.failed;
        total.refused += c.refused;
        total.skipped += c.skipped;
    }
    if (!m_runs.empty())
        m_finalCounters = total;
    else
        total = m_finalCounters;
    m_counters->setText(Msg(1231).arg(total.passed).arg(total.failed).arg(total.refused).arg(total.skipped));
}

void TStationFrm::clearPanels()
{
    for (QLabel *panel : std::as_const(m_panels))
        delete panel;
    m_panels.clear();
}

void TStationFrm::done(int result)
{
    // The selectors in work are finished and journalled before the window goes.
    if (running()) {
        m_closeWhenEnded = true;
        stopAll();
        return;
    }
    QDialog::done(result);
}
