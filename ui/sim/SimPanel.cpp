#include "sim/SimPanel.h"

#include "app/Messages.h"
#include "coinprog/TCprgFrm.h"
#include "controls/DipSwitch.h"
#include "diag/DiagReadings.h"
#include "diag/TCheckFrm.h"
#include "link/PortFactory.h"
#include "main/ScreenTour.h"
#include "main/TErFrm.h"
#include "main/TMainFrm.h"
#include "sim/SelectorSim.h"
#include "sim/SimBench.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "upgrade/TDwnlFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace {

const char *const kPanelProperty = "simPanel";
enum Group { Coins, Bank1, Bank2, Opto, Analog, Wiring, Wire, Selector };
// Analog bytes of the five measured values and Vcc; the regulators are bytes 0-1 and 2-3.
constexpr int kAnalogByte[6] = {4, 5, 6, 7, 8, 9};
constexpr int kRegulatorFull = 1474; // the duty the test window shows as 100

// The DIP picture of the test window; here the user flips a switch by clicking it.
class ClickableDip : public DipSwitch
{
public:
    ClickableDip(std::function<void(int)> flip, QWidget *parent) : DipSwitch(parent), m_flip(std::move(flip))
    {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        for (int i = 0; i < switchCount(); ++i) {
            if (slotRect(i).adjusted(-2, -2, 2, 2).contains(event->position())) {
                m_flip(i);
                return;
            }
        }
    }

private:
    std::function<void(int)> m_flip;
};

[[maybe_unused]] const bool registered = ScreenTour::addDialog(
    QStringLiteral("simulated-selector"), [](TMainFrm &m) -> QDialog * { return SimPanel::of(m); });

} // namespace

SimPanel *SimPanel::attach(TMainFrm &main)
{
    std::unique_ptr<SerialPort> port = PortFactory::create(QString::fromLatin1(SimulatorPort::DefaultName));
    auto *sim = dynamic_cast<SimulatorPort *>(port.get());
    if (!sim || !sim->bus())
        return nullptr;
    auto *bench = new SimBench(sim->bus());
    auto *panel = new SimPanel(std::move(port), bench);
    main.setProperty(kPanelProperty, QVariant::fromValue<QObject *>(panel));
    // Not a child of the main window: the windows modal to it must leave the panel usable.
    QObject::connect(&main, &QObject::destroyed, [panel] { delete panel; });
    for (QDialog *d : {static_cast<QDialog *>(main.checkFrm()), static_cast<QDialog *>(main.dwnlFrm()),
                       static_cast<QDialog *>(main.erFrm()), static_cast<QDialog *>(main.cprgFrm())})
        d->setWindowModality(Qt::WindowModal);
    if (auto *bar = main.findChild<QToolBar *>(QStringLiteral("toolbar"))) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QStringLiteral("toolSimulator"));
        b->setIcon(main.style()->standardIcon(QStyle::SP_MediaPlay));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumWidth(74);
        b->setText(Msg(1031));
        bar->addWidget(b);
        QObject::connect(b, &QToolButton::clicked, panel, [panel] {
            panel->show();
            panel->raise();
            panel->activateWindow();
        });
    }
    return panel;
}

SimPanel *SimPanel::of(const TMainFrm &main)
{
    return qobject_cast<SimPanel *>(main.property(kPanelProperty).value<QObject *>());
}

SimPanel::SimPanel(std::unique_ptr<SerialPort> port, SimBench *bench)
    : QDialog(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_port(std::move(port)),
      m_bench(bench)
{
    setObjectName(QStringLiteral("SimPanel"));
    m_bench->setParent(this);
    auto *root = new QGridLayout(this);
    auto *left = new QVBoxLayout;
    left->addWidget(buildCoins());
    left->addWidget(buildWire());
    m_group[Selector] = new QGroupBox(this);
    auto *sv = new QVBoxLayout(m_group[Selector]);
    m_state = new QLabel(m_group[Selector]);
    m_state->setObjectName(QStringLiteral("simState"));
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sv->addWidget(m_state);
    left->addWidget(m_group[Selector]);
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(buildSwitches());
    right->addWidget(buildAnalog());
    right->addStretch(1);
    root->addLayout(left, 0, 0);
    root->addLayout(right, 0, 1);
    m_close = new QPushButton(this);
    connect(m_close, &QPushButton::clicked, this, &QDialog::hide);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_close);
    root->addLayout(row, 1, 0, 1, 2);
    connect(m_bench, &SimBench::changed, this, &SimPanel::refresh);
    init_language();
    refresh();
}

SimPanel::~SimPanel() = default;

QWidget *SimPanel::buildCoins()
{
    auto *g = m_group[Coins] = new QGroupBox(this);
    auto *grid = new QGridLayout(g);
    int col = 0;
    for (const QString &kind : m_bench->coinKinds()) {
        auto *b = new QPushButton(g);
        b->setObjectName(QStringLiteral("coin-") + kind);
        connect(b, &QPushButton::clicked, this, [this, kind] { m_bench->insertCoin(kind); });
        m_coin.insert(kind, b);
        grid->addWidget(b, col / 3, col % 3);
        ++col;
    }
    const int row = (col + 2) / 3;
    m_burstLabel = new QLabel(g);
    m_burstKind = new QComboBox(g);
    m_countLabel = new QLabel(g);
    m_burstCount = new QSpinBox(g);
    m_burstCount->setRange(1, 1000);
    m_burstCount->setValue(15);
    m_intervalLabel = new QLabel(g);
    m_burstInterval = new QSpinBox(g);
    m_burstInterval->setRange(20, 10000);
    m_burstInterval->setSingleStep(50);
    m_burstInterval->setValue(SimBench::BurstIntervalMs);
    m_burstStart = new QPushButton(g);
    m_burstBar = new QProgressBar(g);
    m_burstBar->setTextVisible(true);
    m_verdict = new QLabel(g);
    m_verdict->setObjectName(QStringLiteral("verdict"));
    grid->addWidget(m_burstLabel, row, 0);
    grid->addWidget(m_burstKind, row, 1, 1, 2);
    grid->addWidget(m_countLabel, row + 1, 0);
    grid->addWidget(m_burstCount, row + 1, 1, 1, 2);
    grid->addWidget(m_intervalLabel, row + 2, 0);
    grid->addWidget(m_burstInterval, row + 2, 1, 1, 2);
    grid->addWidget(m_burstStart, row + 3, 0);
    grid->addWidget(m_burstBar, row + 3, 1, 1, 2);
    grid->addWidget(m_verdict, row + 4, 0, 1, 3);
    connect(m_burstStart, &QPushButton::clicked, this, [this] {
        if (m_bench->burstRunning())
            m_bench->stopBurst();
        else
            m_bench->startBurst(m_burstKind->currentData().toString(), m_burstCount->value(),
                                m_burstInterval->value());
    });
    return g;
}

QWidget *SimPanel::buildSwitches()
{
    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int bank = 1; bank <= 2; ++bank) {
        auto *g = m_group[bank == 1 ? Bank1 : Bank2] = new QGroupBox(box);
        auto *v = new QVBoxLayout(g);
        auto *dip = new ClickableDip([this, bank](int i) { m_bench->setDip(bank, m_bench->dip(bank) ^ (1 << i)); }, g);
        dip->setSwitchCount(6);
        dip->setObjectName(QStringLiteral("dip%1").arg(bank));
        m_dip[size_t(bank - 1)] = dip;
        auto *input = m_input[size_t(bank - 1)] = new QCheckBox(g);
        connect(input, &QCheckBox::clicked, this, [this, bank](bool on) { m_bench->setInput(bank, on); });
        v->addWidget(dip, 0, Qt::AlignHCenter);
        v->addWidget(input);
        grid->addWidget(g, 0, bank - 1);
    }
    auto *g = m_group[Opto] = new QGroupBox(box);
    auto *h = new QHBoxLayout(g);
    for (int k = 1; k <= 5; ++k) {
        auto *c = m_opto[size_t(k - 1)] = new QCheckBox(QString::number(k), g);
        connect(c, &QCheckBox::clicked, this, [this, k](bool on) { m_bench->setOptoBlocked(k, on); });
        h->addWidget(c);
    }
    grid->addWidget(g, 1, 0, 1, 2);
    return box;
}

QWidget *SimPanel::buildAnalog()
{
    auto *box = new QWidget(this);
    auto *v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    auto *g = m_group[Analog] = new QGroupBox(box);
    auto *grid = new QGridLayout(g);
    for (int i = 0; i < AnalogCount; ++i) {
        m_name[size_t(i)] = new QLabel(g);
        auto *s = m_slider[size_t(i)] = new QSlider(Qt::Horizontal, g);
        s->setObjectName(QStringLiteral("analog%1").arg(i));
        s->setRange(0, i < 6 ? 255 : kRegulatorFull);
        s->setMinimumWidth(160);
        m_value[size_t(i)] = new QLabel(g);
        m_value[size_t(i)]->setMinimumWidth(m_value[size_t(i)]->fontMetrics().horizontalAdvance(QStringLiteral("0000 mV")));
        m_value[size_t(i)]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(s, &QSlider::valueChanged, this, [this, i](int value) {
            if (i < 6)
                m_bench->setAnalog(kAnalogByte[i], value);
            else
                m_bench->setRegulator(i - 5, value);
        });
        grid->addWidget(m_name[size_t(i)], i, 0);
        grid->addWidget(s, i, 1);
        grid->addWidget(m_value[size_t(i)], i, 2);
    }
    v->addWidget(g);
    auto *w = m_group[Wiring] = new QGroupBox(box);
    auto *wg = new QGridLayout(w);
    m_shortedLabel = new QLabel(w);
    m_shortedLabel->setWordWrap(true);
    wg->addWidget(m_shortedLabel, 0, 0, 1, 7);
    for (int k = 1; k <= 7; ++k) {
        auto *c = m_shorted[size_t(k - 1)] = new QCheckBox(QString::number(k), w);
        connect(c, &QCheckBox::clicked, this, [this, k](bool on) { m_bench->setOutputShorted(k, on); });
        wg->addWidget(c, 1, k - 1);
    }
    v->addWidget(w);
    return box;
}

QWidget *SimPanel::buildWire()
{
    auto *g = m_group[Wire] = new QGroupBox(this);
    auto *grid = new QGridLayout(g);
    m_plug = new QPushButton(g);
    connect(m_plug, &QPushButton::clicked, this, [this] { m_bench->setPlugged(m_bench->state().unplugged); });
    m_faultLabel = new QLabel(g);
    m_faultKind = new QComboBox(g);
    m_faultRepeat = new QComboBox(g);
    m_fault = new QPushButton(g);
    m_clearFaults = new QPushButton(g);
    connect(m_fault, &QPushButton::clicked, this, [this] {
        m_bench->failNext(SimBench::faultKinds().value(m_faultKind->currentIndex()), m_faultRepeat->currentIndex() == 1);
    });
    connect(m_clearFaults, &QPushButton::clicked, this, [this] { m_bench->clearFaults(); });
    // A line of selectors for the production station: the next one is new and erased.
    m_next = new QPushButton(g);
    m_next->setObjectName(QStringLiteral("nextSelector"));
    connect(m_next, &QPushButton::clicked, this, [this] { m_bench->command(QStringLiteral("next erased")); });
    grid->addWidget(m_plug, 0, 0);
    grid->addWidget(m_next, 0, 1);
    grid->addWidget(m_faultLabel, 1, 0, 1, 2);
    grid->addWidget(m_faultKind, 2, 0);
    grid->addWidget(m_faultRepeat, 2, 1);
    grid->addWidget(m_fault, 3, 0);
    grid->addWidget(m_clearFaults, 3, 1);
    return g;
}

void SimPanel::init_language()
{
    setWindowTitle(Msg(1030));
    const int groups[8] = {1032, 0, 0, 1044, 1045, 1048, 1049, 1064};
    for (int i = 0; i < 8; ++i)
        if (groups[i])
            m_group[size_t(i)]->setTitle(Msg(groups[i]));
    m_group[Bank1]->setTitle(Msg(1042).arg(1));
    m_group[Bank2]->setTitle(Msg(1042).arg(2));
    m_burstKind->clear();
    for (const QString &kind : m_bench->coinKinds()) {
        const QString caption = kind == QLatin1String("washer") ? Msg(1033) : kind;
        m_coin.value(kind)->setText(caption);
        m_burstKind->addItem(caption, kind);
    }
    m_burstLabel->setText(Msg(1034));
    m_countLabel->setText(Msg(1035));
    m_intervalLabel->setText(Msg(1036));
    for (int line = 1; line <= 2; ++line)
        m_input[size_t(line - 1)]->setText(Msg(1043).arg(line));
    for (int i = 0; i < 5; ++i)
        m_name[size_t(i)]->setText(QLatin1String(DiagReadings::AnalogNames[i]));
    m_name[5]->setText(QStringLiteral("Vcc"));
    m_name[6]->setText(Msg(1046).arg(1));
    m_name[7]->setText(Msg(1046).arg(2));
    m_shortedLabel->setText(Msg(1047));
    m_faultLabel->setText(Msg(1052));
    m_faultKind->clear();
    for (int i = 0; i < SimBench::faultKinds().size(); ++i)
        m_faultKind->addItem(Msg(1053 + i));
    m_faultRepeat->clear();
    m_faultRepeat->addItems({Msg(1060), Msg(1061)});
    m_fault->setText(Msg(1062));
    m_clearFaults->setText(Msg(1063));
    m_next->setText(Msg(1233));
    m_close->setText(Msg(68));
    refresh();
}

void SimPanel::refresh()
{
    const SimBench &b = *m_bench;
    const SimBench::State &s = b.state();
    m_burstStart->setText(b.burstRunning() ? Msg(1037) : Msg(249));
    m_burstBar->setRange(0, qMax(1, b.burstCount()));
    m_burstBar->setValue(b.burstDone());
    m_burstBar->setFormat(b.burstCount() ? Msg(1041).arg(b.burstDone()).arg(b.burstCount()) : QString());
    QString verdict;
    switch (b.lastVerdict()) {
    case SimBench::Verdict::Accepted:
        verdict = Msg(1039).arg(b.lastChannel());
        break;
    case SimBench::Verdict::Rejected:
        verdict = Msg(223);
        break;
    case SimBench::Verdict::Inhibited:
        verdict = Msg(521);
        break;
    case SimBench::Verdict::Returned:
        verdict = Msg(1040);
        break;
    case SimBench::Verdict::None:
        break;
    }
    m_verdict->setText(Msg(1038) + QLatin1Char(' ') + verdict);
    if (!s.valid)
        return;
    for (int bank = 1; bank <= 2; ++bank) {
        m_dip[size_t(bank - 1)]->setValue(quint32(b.dip(bank)));
        m_input[size_t(bank - 1)]->setChecked(b.input(bank));
    }
    for (int k = 1; k <= 5; ++k)
        m_opto[size_t(k - 1)]->setChecked(s.opto & (1 << (k - 1)));
    if (s.analog.size() >= 10) {
        const DiagReadings::Analog a = DiagReadings::decodeAnalog(s.analog);
        for (int i = 0; i < AnalogCount; ++i) {
            const int raw = i < 6 ? quint8(s.analog.at(kAnalogByte[i])) : b.regulator(i - 5);
            const QSignalBlocker block(m_slider[size_t(i)]);
            if (!m_slider[size_t(i)]->isSliderDown())
                m_slider[size_t(i)]->setValue(raw);
        }
        for (int i = 0; i < 5; ++i)
            m_value[size_t(i)]->setText(QString::number(a.millivolts[size_t(i)]) + QStringLiteral(" mV"));
        m_value[5]->setText(QString::number(a.vcc) + QStringLiteral(" V"));
        m_value[6]->setText(QString::number(a.reg1));
        m_value[7]->setText(QString::number(a.reg2));
    }
    for (int k = 1; k <= 7; ++k)
        m_shorted[size_t(k - 1)]->setChecked(s.shorted & (1 << (k - 1)));
    m_plug->setText(s.unplugged ? Msg(1051) : Msg(1050));
    QStringList state{Msg(1065).arg(s.address).arg(s.baud).arg(s.revision),
                      Msg(1066).arg(s.insertions).arg(s.events), s.inhibited ? Msg(1068) : Msg(1069)};
    if (s.monitor)
        state << Msg(1067);
    m_state->setText(state.join(QLatin1Char('\n')));
}

void SimPanel::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_bench->setWatching(true);
}

void SimPanel::hideEvent(QHideEvent *event)
{
    m_bench->setWatching(false);
    QDialog::hideEvent(event);
}
