#include "coinprog/TCprgFrm.h"

#include "app/Messages.h"
#include "coinprog/CoinProgModel.h"
#include "controls/AcceptancePlot.h"
#include "controls/NumEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char *const kParamNames[6] = {"AM1", "PH1", "AM2", "PH2", "PI3", "DIM"};

QComboBox *list(QWidget *parent, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->addItems(items);
    return box;
}
} // namespace

TCprgFrm::TCprgFrm(CoinProgModel &model, QWidget *parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TCprgFrm"));
    auto *root = new QGridLayout(this);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("sampleList"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_list->setFont(fixed);
    m_list->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(24, QLatin1Char('0'))) + 40);
    root->addWidget(m_list, 0, 0, 2, 1);

    auto *buttons = new QVBoxLayout;
    m_delete = new QPushButton(this);
    m_clear = new QPushButton(this);
    m_save = new QPushButton(this);
    m_close = new QPushButton(this);
    for (QPushButton *b : {m_delete, m_clear, m_save, m_close})
        buttons->addWidget(b);
    buttons->addSpacing(12);
    m_presetLabel = new QLabel(this);
    m_preset = new QComboBox(this);
    buttons->addWidget(m_presetLabel);
    buttons->addWidget(m_preset);
    buttons->addStretch(1);
    root->addLayout(buttons, 0, 1, 2, 1);

    m_statusGroup = new QGroupBox(this);
    auto *sg = new QGridLayout(m_statusGroup);
    m_selLabel = new QLabel(m_statusGroup);
    m_imageLabel = new QLabel(m_statusGroup);
    // "ccTalk  Sel." over the first pair of boxes, the fake-coin/enabled caption over the second.
    sg->addWidget(m_selLabel, 0, 0, 1, 2);
    sg->addWidget(m_imageLabel, 2, 0, 1, 2);
    for (int i = 0; i < 4; ++i) {
        m_status[size_t(i)] = new QCheckBox(m_statusGroup);
        sg->addWidget(m_status[size_t(i)], i < 2 ? 1 : 3, i % 2);
    }
    root->addWidget(m_statusGroup, 0, 2);

    m_optionGroup = new QGroupBox(this);
    auto *og = new QGridLayout(m_optionGroup);
    QStringList dirs;
    for (int d = 0; d <= 8; ++d)
        dirs << QString::number(d);
    const QStringList cvf = {
        QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("2.5"), QStringLiteral("005"),
        QStringLiteral("010"), QStringLiteral("020"), QStringLiteral("025"), QStringLiteral("050"),
        QStringLiteral("100"), QStringLiteral("200"), QStringLiteral("250"), QStringLiteral("500"),
        QStringLiteral("..."), QStringLiteral("..."), QStringLiteral("..."), QStringLiteral("...")};
    m_options[0] = list(m_optionGroup, dirs);
    m_options[1] = list(m_optionGroup, cvf);
    m_options[2] = list(m_optionGroup,
                        {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral(".")});
    m_options[3] = list(m_optionGroup, {QStringLiteral("EU"), QStringLiteral("TK"), QStringLiteral("XX"),
                                        QStringLiteral("..")});
    const char *optionNames[4] = {"Dir.", "CVF", "Mint", "CC"};
    for (int i = 0; i < 4; ++i) {
        og->addWidget(new QLabel(QLatin1String(optionNames[i]), m_optionGroup), 0, i);
        og->addWidget(m_options[size_t(i)], 1, i);
    }
    m_valueLabel = new QLabel(m_optionGroup);
    m_value = new NumEdit(m_optionGroup);
    og->addWidget(m_valueLabel, 0, 4);
    og->addWidget(m_value, 1, 4);
    root->addWidget(m_optionGroup, 1, 2);

    auto *bottom = new QGridLayout;
    m_chLabel = new QLabel(this);
    m_channel = new QComboBox(this);
    for (int n = 1; n <= CoinProgModel::ChannelCount; ++n)
        m_channel->addItem(QString::number(n));
    bottom->addWidget(m_chLabel, 1, 0);
    bottom->addWidget(m_channel, 2, 0);
    m_paramHeading = new QLabel(this);
    bottom->addWidget(m_paramHeading, 0, 1, 1, 12);
    for (int k = 0; k < 6; ++k) {
        bottom->addWidget(new QLabel(QLatin1String(kParamNames[k]), this), 1, 1 + 2 * k, 1, 2);
        for (int half = 0; half < 2; ++half) {
            const int i = k + 6 * half;
            m_params[size_t(i)] = new NumEdit(this);
            m_params[size_t(i)]->setObjectName(QStringLiteral("param%1").arg(i));
            bottom->addWidget(m_params[size_t(i)], 2, 1 + 2 * k + half);
            connect(m_params[size_t(i)], &NumEdit::editingFinished, this, [this, i] { editParam(i); });
        }
        m_plots[size_t(k)] = new AcceptancePlot(this);
        m_plots[size_t(k)]->setTitle(QLatin1String(kParamNames[k]));
        bottom->addWidget(m_plots[size_t(k)], 3, 1 + 2 * k, 1, 2);
    }
    root->addLayout(bottom, 2, 0, 1, 3);
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setWordWrap(true);
    root->addWidget(m_statusLine, 3, 0, 1, 3);

    connect(m_delete, &QPushButton::clicked, this, [this] {
        QList<int> rows;
        for (const QModelIndex &i : m_list->selectionModel()->selectedRows())
            rows << i.row();
        m_model.deleteItems(rows);
    });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_model.clearListClick(); });
    connect(m_save, &QPushButton::clicked, this, [this] { m_model.saveChannelClick(); });
    connect(m_close, &QPushButton::clicked, this, [this] { m_model.closeClick(); });
    connect(m_preset, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.presetChanged(i); });
    connect(m_channel, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.channelListChanged(i); });
    connect(m_status[0], &QCheckBox::clicked, this,
            [this](bool on) { m_model.controlsForEdit().ccTalk = on; });
    connect(m_status[1], &QCheckBox::clicked, this,
            [this](bool on) { m_model.controlsForEdit().selective = on; });
    connect(m_status[2], &QCheckBox::clicked, this, [this](bool on) { m_model.controlsForEdit().fake = on; });
    connect(m_status[3], &QCheckBox::clicked, this,
            [this](bool on) { m_model.controlsForEdit().enabled = on; });
    int *fields[4] = {&m_model.controlsForEdit().direction, &m_model.controlsForEdit().cvf,
                      &m_model.controlsForEdit().mint, &m_model.controlsForEdit().cc};
    for (int i = 0; i < 4; ++i) {
        int *field = fields[i];
        connect(m_options[size_t(i)], qOverload<int>(&QComboBox::activated), this,
                [field](int index) { *field = index; });
    }
    connect(m_value, &NumEdit::editingFinished, this, &TCprgFrm::editValue);
    connect(&m_model, &CoinProgModel::changed, this, &TCprgFrm::refresh);
    connect(&m_model, &CoinProgModel::sampleAdded, this, &TCprgFrm::scrollToNewest);
    connect(&m_model, &CoinProgModel::closeAccepted, this, [this] { QDialog::reject(); });
    // Said where the operator looks; the window stays open so the samples are not lost.
    connect(&m_model, &CoinProgModel::selectorSilent, this,
            [this] { m_statusLine->setText(Msg(1250).arg(CoinProgModel::SilenceMs / 1000)); });

    init_language();
    refresh();
}

void TCprgFrm::init_language()
{
    setWindowTitle(Msg(75));
    m_chLabel->setText(Msg(54));
    m_paramHeading->setText(Msg(207));
    m_statusGroup->setTitle(Msg(275));
    m_selLabel->setText(Msg(601));
    m_imageLabel->setText(Msg(143));
    m_presetLabel->setText(Msg(301));
    m_close->setText(Msg(68));
    m_delete->setText(Msg(96));
    m_clear->setText(Msg(65));
    m_save->setText(Msg(230));
    m_optionGroup->setTitle(Msg(600));
    m_valueLabel->setText(Msg(312));
    const QSignalBlocker b(m_preset);
    m_preset->clear();
    m_preset->addItems({Msg(156), Msg(178), Msg(176)});
    const int hints[4] = {561, 562, 563, 564};
    for (int i = 0; i < 4; ++i)
        m_status[size_t(i)]->setToolTip(Msg(hints[i]));
    refresh();
}

void TCprgFrm::refresh()
{
    const CoinProgControls &c = m_model.controls();
    const QStringList &samples = m_model.samples();
    {
        const QSignalBlocker b(m_list);
        if (m_list->count() != samples.size() ||
            (m_list->count() > 0 && m_list->item(m_list->count() - 1)->text() != samples.last())) {
            m_list->clear();
            m_list->addItems(samples);
        }
        QPalette pal = m_list->palette();
        pal.setColor(QPalette::Text,
                     m_model.listColour() == CoinProgModel::Red ? QColor(Qt::red) : QColor(0, 128, 0));
        m_list->setPalette(pal);
    }
    for (QComboBox *box : {m_preset, m_channel})
        box->blockSignals(true);
    m_preset->setCurrentIndex(m_model.preset());
    m_channel->setCurrentIndex(m_model.channel() - 1);
    const bool flags[4] = {c.ccTalk, c.selective, c.fake, c.enabled};
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker b(m_status[size_t(i)]);
        m_status[size_t(i)]->setChecked(flags[i]);
    }
    if (m_options[3]->count() == 4 && m_model.ccLabels().size() == 4) {
        for (int i = 0; i < 4; ++i)
            m_options[3]->setItemText(i, m_model.ccLabels().at(i));
    }
    const int options[4] = {c.direction, c.cvf, c.mint, c.cc};
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker b(m_options[size_t(i)]);
        m_options[size_t(i)]->setCurrentIndex(options[i]);
    }
    for (QComboBox *box : {m_preset, m_channel})
        box->blockSignals(false);
    m_value->setValue(c.value);
    for (int i = 0; i < 12; ++i)
        m_params[size_t(i)]->setValue(c.params[size_t(i)]);

    QList<CoinCalc::Sample> parsed;
    for (const QString &line : samples) {
        CoinCalc::Sample s{};
        if (CoinCalc::parseLine(line, s))
            parsed << s;
    }
    for (int k = 0; k < 6; ++k) {
        QList<int> values;
        for (const CoinCalc::Sample &s : parsed)
            values << s[size_t(k)];
        QList<AcceptancePlot::Band> others;
        for (const CoinProgModel::Band &b : m_model.otherBands(k))
            others.append({b.channel, b.low, b.high});
        m_plots[size_t(k)]->setData(values, parsed.isEmpty() ? -1 : c.params[size_t(k)],
                                    c.params[size_t(k + 6)], others);
    }
    QStringList same;
    for (int n : m_model.indistinguishableChannels())
        same << QString::number(n);
    m_statusLine->setText(same.isEmpty() ? QString() : Msg(602) + same.join(QStringLiteral(", ")));
}

void TCprgFrm::editParam(int i)
{
    bool ok = false;
    const int v = m_params[size_t(i)]->value(&ok);
    // A number above a byte is refused: the box shows the value it had.
    if (ok && v <= 255)
        m_model.controlsForEdit().params[size_t(i)] = v;
    m_params[size_t(i)]->setValue(m_model.controls().params[size_t(i)]);
}

void TCprgFrm::editValue()
{
    bool ok = false;
    const int v = m_value->value(&ok);
    if (ok && v <= 255)
        m_model.controlsForEdit().value = v;
    m_value->setValue(m_model.controls().value);
}

void TCprgFrm::scrollToNewest()
{
    refresh();
    if (QListWidgetItem *last = m_list->item(m_list->count() - 1))
        m_list->scrollToItem(last, QAbstractItemView::PositionAtTop);
}

void TCprgFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    init_language();
    // The opening talks to the selector once the window is on screen.
    QTimer::singleShot(0, this, [this] {
        if (!m_model.isOpen())
            m_model.windowOpened();
    });
}

void TCprgFrm::reject()
{
    // The close box and Escape ask the same questions as "Close", so taught channels are
    // never dropped silently; "Close" itself closes through closeAccepted.
    if (m_model.isOpen())
        m_model.closeClick();
    else
        QDialog::reject();
}
