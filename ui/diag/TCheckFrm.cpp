#include "diag/TCheckFrm.h"

#include "app/Messages.h"
#include "controls/BarGauge.h"
#include "controls/DipSwitch.h"
#include "controls/LedLamp.h"
#include "diag/AnalogTraceView.h"
#include "diag/DeviceTest.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
LedLamp *lamp(QWidget *parent, const QColor &color)
{
    auto *l = new LedLamp(parent);
    l->setColor(color);
    l->setFixedSize(16, 16);
    return l;
}

const char *const kAnalogCaptions[6] = {"AM1 =", "PH1 =", "AM2 =", "PH2 =", "PI3 =", "Vcc ="};
const char *const kSolenoidCaptions[4] = {"M", "S1", "S2", "S3"};
} // namespace

TCheckFrm::TCheckFrm(DeviceSession &session, QWidget *parent)
    : QDialog(parent), m_model(std::make_unique<DeviceTest>(session))
{
    setObjectName(QStringLiteral("TCheckFrm"));
    for (auto &g : m_group)
        g = new QGroupBox(this);
    auto *grid = new QGridLayout(this);

    auto *dipLayout = new QHBoxLayout(m_group[0]);
    dipLayout->addWidget(buildDip());
    grid->addWidget(m_group[0], 0, 0);

    auto *analogLayout = new QVBoxLayout(m_group[1]);
    analogLayout->addWidget(buildAnalog());
    grid->addWidget(m_group[1], 0, 1, 2, 1);

    auto *inputs = new QHBoxLayout(m_group[2]);
    for (int i = 0; i < 2; ++i) {
        m_inputLamp[size_t(i)] = lamp(m_group[2], Qt::green);
        inputs->addWidget(new QLabel(QString::number(i + 1), m_group[2]));
        inputs->addWidget(m_inputLamp[size_t(i)]);
    }
    inputs->addStretch(1);
    auto *opto = new QHBoxLayout(m_group[3]);
    for (int k = 0; k < 5; ++k) {
        m_optoLamp[size_t(k)] = lamp(m_group[3], Qt::red);
        opto->addWidget(new QLabel(QStringLiteral("FT%1").arg(k + 1), m_group[3]));
        opto->addWidget(m_optoLamp[size_t(k)]);
    }
    opto->addStretch(1);
    auto *sensors = new QHBoxLayout;
    sensors->addWidget(m_group[2]);
    sensors->addWidget(m_group[3], 1);
    grid->addLayout(sensors, 1, 0);

    auto *outLayout = new QVBoxLayout(m_group[4]);
    outLayout->addWidget(buildOutputs());
    grid->addWidget(m_group[4], 2, 0);
    auto *solLayout = new QVBoxLayout(m_group[5]);
    solLayout->addWidget(buildSolenoids());
    grid->addWidget(m_group[5], 2, 1);

    m_insertion = new QCheckBox(this);
    m_events = new QListWidget(this);
    m_events->setMinimumHeight(110);
    m_clear = new QPushButton(this);
    m_close = new QPushButton(this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_insertion);
    bottom->addStretch(1);
    bottom->addWidget(m_clear);
    bottom->addWidget(m_close);
    grid->addWidget(m_events, 3, 0, 1, 2);
    grid->addLayout(bottom, 4, 0, 1, 2);

    connect(m_insertion, &QCheckBox::clicked, this, [this](bool on) { m_model->setInsertionTest(on); });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_model->clearList();
        m_events->clear();
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_model.get(), &DeviceTest::changed, this, &TCheckFrm::refresh);
    connect(m_model.get(), &DeviceTest::dipRedrawn, this, &TCheckFrm::redrawDip);
    connect(m_model.get(), &DeviceTest::eventsAdded, this, &TCheckFrm::addEvents);
    refresh();
}

TCheckFrm::~TCheckFrm()
{
    m_model->close();
}

QWidget *TCheckFrm::buildDip()
{
    auto *w = new QWidget(m_group[0]);
    auto *h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    for (int bank = 0; bank < 2; ++bank) {
        auto *frame = new QWidget(w);
        auto *v = new QVBoxLayout(frame);
        v->setContentsMargins(0, 0, 0, 0);
        m_bankLabel[size_t(bank)] = new QLabel(frame);
        m_dip[size_t(bank)] = new DipSwitch(frame);
        m_dip[size_t(bank)]->setSwitchCount(6);
        v->addWidget(m_bankLabel[size_t(bank)], 0, Qt::AlignHCenter);
        v->addWidget(m_dip[size_t(bank)]);
        h->addWidget(frame);
        if (bank == 1)
            m_sw2Bank = frame;
    }
    h->addStretch(1);
    return w;
}

QWidget *TCheckFrm::buildAnalog()
{
    auto *w = new QWidget(m_group[1]);
    auto *g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 6; ++i) {
        g->addWidget(new QLabel(QString::fromLatin1(kAnalogCaptions[i]), w), i, 0);
        m_analogValue[size_t(i)] = new QLabel(w);
        m_analogValue[size_t(i)]->setMinimumWidth(70);
        m_analogValue[size_t(i)]->setFrameShape(QFrame::StyledPanel);
        g->addWidget(m_analogValue[size_t(i)], i, 1);
    }
    for (int i = 0; i < 2; ++i) {
        m_gauge[size_t(i)] = new BarGauge(w);
        m_gauge[size_t(i)]->setOrientation(Qt::Vertical);
        m_gauge[size_t(i)]->setRange(0, 100);
        g->addWidget(m_gauge[size_t(i)], 0, 2 + i, 6, 1, Qt::AlignHCenter);
        g->addWidget(new QLabel(QStringLiteral("Reg%1").arg(i + 1), w), 6, 2 + i, Qt::AlignHCenter);
    }
    m_trace = new AnalogTraceView(m_model->trace(), w);
    g->addWidget(m_trace, 7, 0, 1, 4);
    g->setRowStretch(7, 1);
    return w;
}

QWidget *TCheckFrm::buildOutputs()
{
    auto *w = new QWidget(m_group[4]);
    auto *g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    for (int i = 1; i <= DeviceTest::Outputs; ++i) {
        auto *b = new QPushButton(QStringLiteral("%1.").arg(i), w);
        b->setFixedWidth(36);
        m_outputButton[size_t(i - 1)] = b;
        m_outputLamp[size_t(i - 1)] = lamp(w, Qt::yellow);
        g->addWidget(b, 0, i - 1, Qt::AlignHCenter);
        g->addWidget(m_outputLamp[size_t(i - 1)], 1, i - 1, Qt::AlignHCenter);
        connect(b, &QPushButton::clicked, this, [this, i] { m_model->clickOutput(i); });
    }
    m_loop = new QPushButton(w);
    m_latch = new QRadioButton(w);
    m_impuls = new QRadioButton(w);
    g->addWidget(m_loop, 2, 0, 1, 2);
    g->addWidget(m_latch, 2, 3, 1, 2);
    g->addWidget(m_impuls, 2, 5, 1, 2);
    connect(m_loop, &QPushButton::clicked, this, [this] { m_model->clickLoop(); });
    connect(m_latch, &QRadioButton::clicked, this, [this] { m_model->setLatch(true); });
    connect(m_impuls, &QRadioButton::clicked, this, [this] { m_model->setLatch(false); });
    return w;
}

QWidget *TCheckFrm::buildSolenoids()
{
    auto *w = new QWidget(m_group[5]);
    auto *g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    for (int s = 0; s < DeviceTest::Solenoids; ++s) {
        auto *b = new QPushButton(QString::fromLatin1(kSolenoidCaptions[s]), w);
        b->setFixedWidth(40);
        m_solenoidButton[size_t(s)] = b;
        m_solenoidLamp[size_t(s)] = lamp(w, QColor(255, 140, 0));
        g->addWidget(b, 0, s, Qt::AlignHCenter);
        g->addWidget(m_solenoidLamp[size_t(s)], 1, s, Qt::AlignHCenter);
        connect(b, &QPushButton::clicked, this,
                [this, s] { m_model->clickSolenoid(static_cast<DeviceTest::Solenoid>(s)); });
    }
    g->setRowStretch(2, 1);
    return w;
}

void TCheckFrm::init_language()
{
    setWindowTitle(Msg(285));
    m_group[0]->setTitle(Msg(7));
    m_bankLabel[0]->setText(Msg(281));
    m_bankLabel[1]->setText(Msg(282));
    m_dip[0]->setOnText(Msg(189));
    m_dip[1]->setOnText(Msg(189));
    m_group[1]->setTitle(Msg(1));
    m_group[2]->setTitle(Msg(13));
    m_group[3]->setTitle(Msg(17));
    m_group[4]->setTitle(Msg(19));
    m_loop->setText(Msg(175));
    m_latch->setText(Msg(173));
    m_impuls->setText(Msg(157));
    m_group[5]->setTitle(Msg(21));
    m_close->setText(Msg(68));
    m_insertion->setText(Msg(168));
    m_clear->setText(Msg(65));
    m_trace->setCaption(Msg(780));
}

void TCheckFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_events->clear();
    m_model->open();
}

void TCheckFrm::done(int result)
{
    m_model->close();
    QDialog::done(result);
}

void TCheckFrm::redrawDip(int bank)
{
    const auto value = bank == 1 ? m_model->sw1() : m_model->sw2();
    if (!value)
        return;
    m_dip[size_t(bank - 1)]->setValue(*value & 0x3F);
    m_inputLamp[size_t(bank - 1)]->setOn(*value & 0x80);
}

void TCheckFrm::addEvents(const QStringList &lines)
{
    m_events->addItems(lines);
    m_events->scrollToItem(m_events->item(m_events->count() - 1), QAbstractItemView::PositionAtTop);
}

void TCheckFrm::refresh()
{
    DeviceTest &t = *m_model;
    m_sw2Bank->setVisible(t.sw2BankVisible());
    if (const auto a = t.analog()) {
        for (int i = 0; i < 5; ++i)
            m_analogValue[size_t(i)]->setText(QString::number(a->millivolts[size_t(i)]) +
                                              QStringLiteral(" mV"));
        m_analogValue[5]->setText(QString::number(a->vcc) + QStringLiteral("  V"));
        m_gauge[0]->setValue(a->reg1);
        m_gauge[1]->setValue(a->reg2);
    }
    for (int k = 1; k <= 5; ++k)
        m_optoLamp[size_t(k - 1)]->setOn(t.optoLamp(k));
    for (int i = 1; i <= DeviceTest::Outputs; ++i) {
        m_outputButton[size_t(i - 1)]->setVisible(t.outputVisible(i));
        m_outputLamp[size_t(i - 1)]->setEnabled(t.outputVisible(i));
        m_outputLamp[size_t(i - 1)]->setOn(t.outputLamp(i));
    }
    for (int s = 0; s < DeviceTest::Solenoids; ++s) {
        const auto sol = static_cast<DeviceTest::Solenoid>(s);
        m_solenoidButton[size_t(s)]->setVisible(t.solenoidVisible(sol));
        m_solenoidLamp[size_t(s)]->setVisible(t.solenoidVisible(sol));
        m_solenoidLamp[size_t(s)]->setOn(t.solenoidLamp(sol));
    }
    {
        const QSignalBlocker b1(m_latch);
        const QSignalBlocker b2(m_impuls);
        m_latch->setChecked(t.latch());
        m_impuls->setChecked(!t.latch());
    }
    {
        const QSignalBlocker b(m_insertion);
        m_insertion->setChecked(t.insertionTest());
    }
    m_events->setVisible(t.insertionTest());
    if (t.events().isEmpty() && m_events->count() > 0)
        m_events->clear();
    m_trace->update();
}
