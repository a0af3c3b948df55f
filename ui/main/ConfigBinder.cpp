#include "main/ConfigBinder.h"

#include "app/Messages.h"
#include "config/ConfigPage.h"
#include "controls/CaptionFit.h"
#include "controls/NumEdit.h"
#include "controls/SpinEdit.h"
#include "controls/WrapButton.h"
#include "main/ChannelPageView.h"
#include "main/ConfigPageView.h"
#include "main/StatsPageView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace {
// Fills a list without firing its change signals, keeping the model's selection.
void fillCombo(QComboBox *box, const QStringList &items, int index)
{
    const QSignalBlocker block(box);
    QStringList current;
    for (int i = 0; i < box->count(); ++i)
        current << box->itemText(i);
    if (current != items) {
        box->clear();
        box->addItems(items);
    }
    box->setCurrentIndex(index >= 0 && index < items.size() ? index : -1);
    CaptionFit::fitPopup(box);
}

void setNumber(NumEdit *edit, int value)
{
    if (edit->hasFocus() && edit->text() == QString::number(value))
        return;
    const QSignalBlocker block(edit);
    edit->setValue(value);
}
} // namespace

ConfigBinder::ConfigBinder(ConfigPage &model, ConfigPageView &view,
                           const std::array<ChannelPageView *, 2> &channels, StatsPageView &stats,
                           QObject *parent)
    : QObject(parent), m_model(model), m_view(view), m_channels(channels), m_stats(stats)
{
    bindParameters();
    bindLines();
    bindOthers();
    bindChannels();
    connect(&m_model, &ConfigPage::changed, this, &ConfigBinder::refreshAll);
}

int ConfigBinder::modelParam(int viewParam)
{
    static const int map[ConfigPageView::ParamCount] = {
        ConfigPage::Credit,      ConfigPage::Bonus1Level,    ConfigPage::Bonus1Value,
        ConfigPage::Bonus2Level, ConfigPage::Bonus2Value,    ConfigPage::BonusTime,
        ConfigPage::RestTime,    ConfigPage::TimeOutWarning, ConfigPage::TimeMultiplier};
    return viewParam >= 0 && viewParam < ConfigPageView::ParamCount ? map[viewParam] : -1;
}

void ConfigBinder::editParam(int p, NumEdit *edit)
{
    if (m_refreshing)
        return;
    bool ok = false;
    const int v = edit->value(&ok);
    // An emptied box takes back the value the model holds.
    if (ok)
        m_model.setParam(p, v);
    refreshAll();
}

void ConfigBinder::bindParameters()
{
    for (int i = 0; i < ConfigPageView::ParamCount; ++i) {
        NumEdit *e = m_view.param[i];
        const int p = modelParam(i);
        connect(e, &NumEdit::editingFinished, this, [this, p, e] { editParam(p, e); });
    }
    connect(m_view.stopTime, &NumEdit::editingFinished, this,
            [this] { editParam(ConfigPage::StopTime, m_view.stopTime); });
    connect(m_view.fraudTime, &NumEdit::editingFinished, this,
            [this] { editParam(ConfigPage::InhibitTime, m_view.fraudTime); });
    connect(m_view.inputMultiplier, &NumEdit::editingFinished, this,
            [this] { editParam(ConfigPage::MultVal, m_view.inputMultiplier); });
    connect(m_view.multiprice, &NumEdit::editingFinished, this,
            [this] { editParam(ConfigPage::MultipriceMode, m_view.multiprice); });
    connect(m_view.multiplierUnit, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.setMultiplierMinutes(i == 0); });
}

void ConfigBinder::bindLines()
{
    connect(m_view.ioEdit, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_refreshing)
            m_model.setEditMode(on);
    });
    for (IoRowView &r : m_view.io) {
        const int k = r.line;
        connect(r.functions, qOverload<int>(&QComboBox::activated), this,
                [this, k](int i) { m_model.chooseFunction(k, i); });
        // The box's minimum is the step, so a stored 0 shows as one step: only a value the
        // user changed may reach the image, not the focus leaving the box.
        connect(r.timeOn, &QSpinBox::valueChanged, this, [&r] { r.timeOn->setProperty("userEdited", true); });
        connect(r.timeOn, &QSpinBox::editingFinished, this, [this, k, &r] {
            if (!m_refreshing && r.timeOn->property("userEdited").toBool()) {
                r.timeOn->setProperty("userEdited", false);
                m_model.setTimeOn(k, r.timeOn->value());
            }
        });
        if (r.timeOff)
            connect(r.timeOff, &QSpinBox::editingFinished, this, [this, k, &r] {
                if (!m_refreshing)
                    m_model.setTimeOff(k, r.timeOff->value());
            });
        if (r.value)
            connect(r.value, &NumEdit::editingFinished, this, [this, k, &r] {
                bool ok = false;
                const int v = r.value->value(&ok);
                if (!m_refreshing && ok)
                    m_model.setLineValue(k, v);
                refreshAll();
            });
        if (r.warning)
            connect(r.warning, qOverload<int>(&QComboBox::activated), this,
                    [this, k](int i) { m_model.chooseWarning(k, i); });
        for (int c = 0; c < IoRowView::Channels; ++c) {
            if (!r.channel[c])
                continue;
            connect(r.channel[c], &QCheckBox::clicked, this,
                    [this, k, c](bool on) { m_model.setLineChannel(k, c + 1, on); });
        }
        connect(r.level, &QToolButton::clicked, this, [this, k] { m_model.toggleLevel(k); });
        if (r.edge)
            connect(r.edge, &QToolButton::clicked, this, [this, k] { m_model.toggleEdge(k); });
        if (r.impulses)
            connect(r.impulses, &NumEdit::editingFinished, this, [this, k, &r] {
                bool ok = false;
                const int v = r.impulses->value(&ok);
                if (!m_refreshing && ok)
                    m_model.setImpulses(k, v);
                refreshAll();
            });
    }
}

void ConfigBinder::bindOthers()
{
    connect(m_view.versionList, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.chooseVersion(i); });
    // The list is read again from the catalogue each time it drops down.
    m_view.versionList->installEventFilter(this);
    connect(m_view.setStandard, &QPushButton::clicked, this,
            [this] { m_model.storeStandardConfiguration(); });
    connect(m_view.dipMode, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.chooseDipMode(i); });
    connect(m_view.sorterList, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.chooseSorter(i); });
    connect(m_view.sorterAccept, &QPushButton::clicked, this, [this] { m_model.acceptSorter(); });
    connect(m_view.displayType, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.chooseDisplayType(i); });
    connect(m_view.displayView, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.chooseViewOption(i); });
    connect(m_view.displayMultiplier, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { m_model.setDisplayMultiplier(i); });
    connect(m_view.decimals, &QSpinBox::valueChanged, this, [this](int n) {
        if (!m_refreshing)
            m_model.setDecimals(n);
    });
    for (int l = 0; l < 3; ++l)
        connect(m_view.countryCode[l], qOverload<int>(&QComboBox::activated), this,
                [this, l](int i) { m_model.chooseCountry(l, i); });
    connect(m_view.countryAccept, &QPushButton::clicked, this, [this] { m_model.acceptCountryCodes(); });
}

void ConfigBinder::bindChannels()
{
    for (ChannelPageView *page : m_channels) {
        for (int i = 0; i < 8; ++i) {
            ChannelRowView &r = page->row(i);
            const int ch = r.channel;
            ChannelTable &t = m_model.channelsForEdit();
            for (int m = 0; m < ChannelRowView::Measurements; ++m) {
                for (int side = 0; side < 2; ++side) {
                    NumEdit *e = side == 0 ? r.parameter[m] : r.tolerance[m];
                    const int box = side == 0 ? m : m + 6;
                    connect(e, &NumEdit::editingFinished, this, [this, &t, ch, box, e] {
                        t.setBox(ch, box, e->text());
                        refreshChannel(ch);
                    });
                }
            }
            connect(r.value, &NumEdit::editingFinished, this, [this, &t, ch, &r] {
                t.setValue(ch, r.value->text());
                refreshChannel(ch);
            });
            connect(r.ccTalk, &QCheckBox::clicked, this, [&t, ch](bool on) { t.setCcTalk(ch, on); });
            connect(r.selective, &QCheckBox::clicked, this, [&t, ch](bool on) { t.setSelective(ch, on); });
            connect(r.fake, &QCheckBox::clicked, this, [&t, ch](bool on) { t.setFake(ch, on); });
            connect(r.enabled, &QCheckBox::clicked, this, [&t, ch](bool on) { t.setEnabled(ch, on); });
            connect(r.direction, qOverload<int>(&QComboBox::activated), this,
                    [&t, ch](int v) { t.setDirection(ch, v); });
            connect(r.valueCode, qOverload<int>(&QComboBox::activated), this,
                    [&t, ch](int v) { t.setCvf(ch, v); });
            connect(r.mint, qOverload<int>(&QComboBox::activated), this,
                    [&t, ch](int v) { t.setMint(ch, v); });
            connect(r.country, qOverload<int>(&QComboBox::activated), this,
                    [&t, ch](int v) { t.setCc(ch, v); });
        }
    }
}

bool ConfigBinder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view.versionList &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        m_model.openVersionList();
    return QObject::eventFilter(watched, event);
}

void ConfigBinder::refreshAll()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    refreshParameters();
    refreshLines();
    refreshOthers();
    refreshChannels();
    m_refreshing = false;
}

void ConfigBinder::refreshParameters()
{
    for (int i = 0; i < ConfigPageView::ParamCount; ++i) {
        const int p = modelParam(i);
        const bool visible = m_model.paramVisible(p);
        setNumber(m_view.param[i], m_model.paramValue(p));
        m_view.param[i]->setVisible(visible);
        m_view.paramLabel[i]->setVisible(visible);
        m_view.paramUnit[i]->setVisible(visible);
        if (p != ConfigPage::TimeMultiplier)
            m_view.paramUnit[i]->setText(m_model.paramUnit(p));
    }
    m_view.multiplierUnit->setVisible(m_model.paramVisible(ConfigPage::TimeMultiplier));
    {
        const QSignalBlocker block(m_view.multiplierUnit);
        m_view.multiplierUnit->setCurrentIndex(m_model.multiplierMinutes() ? 0 : 1);
    }
    setNumber(m_view.stopTime, m_model.paramValue(ConfigPage::StopTime));
    const bool stop = m_model.stopTimeVisible();
    m_view.stopTime->setVisible(stop);
    m_view.stopTimeLabel->setVisible(stop);
    m_view.stopUnit->setVisible(stop);
    m_view.stopUnit->setText(m_model.paramUnit(ConfigPage::StopTime));
    m_view.stopMode->setText(m_model.stopModeText());
    m_view.autoprogMode->setText(m_model.autoprogText());
    setNumber(m_view.fraudTime, m_model.paramValue(ConfigPage::InhibitTime));
    m_view.fraudUnit->setText(m_model.paramUnit(ConfigPage::InhibitTime));
    setNumber(m_view.inputMultiplier, m_model.paramValue(ConfigPage::MultVal));
    setNumber(m_view.multiprice, m_model.paramValue(ConfigPage::MultipriceMode));
    const bool mult = m_model.paramVisible(ConfigPage::MultVal);
    const bool multiprice = m_model.paramVisible(ConfigPage::MultipriceMode);
    m_view.inputMultiplier->setVisible(mult);
    m_view.inputMultiplierLabel->setVisible(mult);
    m_view.multiprice->setVisible(multiprice);
    m_view.multipriceLabel->setVisible(multiprice);
    m_view.common2Group->setVisible(mult || multiprice);
}

void ConfigBinder::refreshLines()
{
    const bool edit = m_model.editMode();
    {
        const QSignalBlocker block(m_view.ioEdit);
        m_view.ioEdit->setChecked(edit);
    }
    m_view.setStandard->setVisible(edit);
    m_view.ioTimeOnHeading->setVisible(m_model.timeOnHeaderVisible());
    m_view.ioTimeOffHeading->setVisible(m_model.timeOffHeaderVisible());
    m_view.ioValueHeading->setVisible(m_model.valueHeaderVisible());
    m_view.ioChannelsHeading->parentWidget()->setVisible(m_model.channelHeaderVisible() ||
                                                         m_model.directionsHeaderVisible());
    m_view.ioChannelsHeading->setText(
        m_model.directionsHeaderVisible() && !m_model.channelHeaderVisible() ? Msg(83) : Msg(63));
    const QStringList warnings = m_model.warningNames();
    for (IoRowView &r : m_view.io) {
        const LineRow &l = m_model.line(r.line);
        fillCombo(r.functions, l.functions, l.functionIndex);
        r.functions->setVisible(edit);
        // A long note is shortened to its box; the whole text is its hint.
        r.note->setText(r.note->fontMetrics().elidedText(l.note, Qt::ElideRight, r.note->width()));
        r.note->setToolTip(l.note);
        r.note->setVisible(!edit);
        {
            const QSignalBlocker block(r.timeOn);
            r.timeOn->setSingleStep(qMax(1, l.timeOnStep));
            r.timeOn->setRange(qMin(l.timeOnStep, l.timeOnMaximum), l.timeOnMaximum);
            r.timeOn->setValue(l.timeOn);
        }
        r.timeOn->setVisible(l.timeOnVisible);
        r.timeOnUnit->setText(l.timeOnUnit);
        r.timeOnUnit->setVisible(l.timeOnVisible);
        if (r.timeOff) {
            const QSignalBlocker block(r.timeOff);
            r.timeOff->setValue(l.timeOff);
            r.timeOff->setVisible(l.timeOffVisible);
            r.timeOffUnit->setText(l.timeOffUnit);
            r.timeOffUnit->setVisible(l.timeOffVisible);
        }
        if (r.value) {
            setNumber(r.value, l.value);
            r.value->setVisible(l.valueVisible);
        }
        if (r.warning) {
            fillCombo(r.warning, warnings, l.warningIndex);
            r.warning->setVisible(l.warningVisible);
        }
        if (r.directions)
            r.directions->setVisible(l.sorter && l.channelsVisible);
        for (int c = 0; c < IoRowView::Channels; ++c) {
            if (!r.channel[c])
                continue;
            const QSignalBlocker block(r.channel[c]);
            r.channel[c]->setChecked(l.channels[c]);
            r.channel[c]->setVisible(l.channelsVisible);
        }
        if (l.levelVisible)
            IoRowView::setPicture(r.level, l.levelPicture);
        r.level->setVisible(l.levelVisible);
        if (r.edge) {
            if (l.edgeVisible)
                IoRowView::setPicture(r.edge, l.edgePicture);
            r.edge->setVisible(l.edgeVisible);
        }
        if (r.impulses) {
            setNumber(r.impulses, l.impulses);
            r.impulses->setVisible(l.impulsesVisible);
            r.impulsesCaption->setText(l.impulsesCaption);
            r.impulsesCaption->setVisible(l.impulsesVisible);
        }
    }
}

void ConfigBinder::refreshOthers()
{
    fillCombo(m_view.versionList, m_model.versionEntries(), m_model.versionIndex());
    const bool boxes = m_model.boxesVisible();
    m_view.commonGroup->setVisible(boxes);
    m_view.ioGroup->setVisible(boxes);
    m_view.sorterGroup->setVisible(boxes);
    m_view.displayGroup->setVisible(boxes);
    fillCombo(m_view.dipMode, m_model.dipEntries(), m_model.dipIndex());
    m_view.dipGroup->setVisible(m_model.dipVisible());
    fillCombo(m_view.sorterList, m_model.sorterEntries(), m_model.sorterIndex());
    fillCombo(m_view.displayType, m_model.displayTypes(), m_model.displayTypeIndex());
    fillCombo(m_view.displayView, m_model.viewOptions(), m_model.viewIndex());
    fillCombo(m_view.displayMultiplier, ConfigPage::displayMultipliers(), m_model.displayMultiplierIndex());
    {
        const QSignalBlocker block(m_view.decimals);
        m_view.decimals->setValue(m_model.decimals());
    }
    const bool view = m_model.viewVisible();
    const bool mult = m_model.multiplierVisible();
    m_view.displayView->setVisible(view);
    m_view.displayViewLabel->setVisible(view);
    for (QWidget *w :
         {static_cast<QWidget *>(m_view.displayMultiplier), static_cast<QWidget *>(m_view.multiplierLabel),
          static_cast<QWidget *>(m_view.decimals), static_cast<QWidget *>(m_view.decimalsLabel)})
        w->setVisible(mult);
    for (int l = 0; l < 3; ++l)
        fillCombo(m_view.countryCode[l], m_model.countryNames(), m_model.countryIndex(l));
}

void ConfigBinder::refreshChannels()
{
    for (int ch = 1; ch <= 16; ++ch)
        refreshChannel(ch);
}

void ConfigBinder::refreshChannel(int ch)
{
    if (ch < 1 || ch > 16)
        return;
    ChannelRowView &r = m_channels[(ch - 1) / 8]->row((ch - 1) % 8);
    const ChannelTable &t = m_model.channels();
    const ChannelRow &row = t.row(ch);
    for (int m = 0; m < ChannelRowView::Measurements; ++m) {
        const QSignalBlocker a(r.parameter[m]);
        const QSignalBlocker b(r.tolerance[m]);
        r.parameter[m]->setText(row.boxes[m]);
        r.tolerance[m]->setText(row.boxes[m + 6]);
    }
    {
        const QSignalBlocker block(r.value);
        r.value->setText(row.value);
    }
    const QSignalBlocker b1(r.ccTalk), b2(r.selective), b3(r.fake), b4(r.enabled);
    r.ccTalk->setChecked(row.ccTalk);
    r.selective->setChecked(row.selective);
    r.fake->setChecked(row.fake);
    r.enabled->setChecked(row.enabled);
    fillCombo(r.direction, ChannelTable::directionLabels(), row.direction);
    fillCombo(r.valueCode, ChannelTable::cvfLabels(), row.cvf);
    fillCombo(r.mint, ChannelTable::mintLabels(), row.mint);
    fillCombo(r.country, t.ccLabels(), row.cc);
}
