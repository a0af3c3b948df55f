#include "main/ConfigPageView.h"

#include "app/Messages.h"
#include "controls/NumEdit.h"
#include "controls/SpinEdit.h"
#include "controls/WrapButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {
QGroupBox *group(QWidget *parent)
{
    auto *g = new QGroupBox(parent);
    return g;
}

NumEdit *byteEdit(QWidget *parent)
{
    auto *e = new NumEdit(parent, 3);
    e->setFixedWidth(38);
    return e;
}

// A list of catalogue entries keeps its width whatever the entries are: a long entry is
// shortened in the box (whole in its tooltip and in the open list) rather than squeezing
// its neighbours.
QComboBox *catalogueList(QWidget *parent, int minimumWidth)
{
    auto *c = new QComboBox(parent);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(4);
    c->setMinimumWidth(minimumWidth);
    return c;
}

QGridLayout *tightGrid(QWidget *w)
{
    auto *g = new QGridLayout(w);
    g->setContentsMargins(6, 4, 6, 4);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(2);
    return g;
}
} // namespace

ConfigPageView::ConfigPageView(QWidget *parent) : QWidget(parent)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(3, 2, 3, 2);
    outer->setSpacing(2);
    outer->addWidget(buildIo());

    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(4);

    // Column 1: version, other settings, the second common-parameter box.
    auto *col1 = new QVBoxLayout;
    versionGroup = group(this);
    auto *vg = new QVBoxLayout(versionGroup);
    vg->setContentsMargins(6, 2, 6, 2);
    vg->setSpacing(2);
    versionList = catalogueList(versionGroup, 130);
    versionList->setObjectName(QStringLiteral("versionList"));
    setStandard = new WrapButton(versionGroup);
    setStandard->setObjectName(QStringLiteral("setStandard"));
    // The caption wraps to the column's width instead of widening the column.
    QSizePolicy wrap(QSizePolicy::Ignored, QSizePolicy::Preferred);
    wrap.setHeightForWidth(true);
    setStandard->setSizePolicy(wrap);
    vg->addWidget(versionList);
    vg->addWidget(setStandard);
    col1->addWidget(versionGroup);
    otherGroup = group(this);
    // Side by side: the column is short of height when the second parameter box shows.
    auto *og = new QHBoxLayout(otherGroup);
    og->setContentsMargins(6, 2, 6, 2);
    og->setSpacing(2);
    addressButton = new QPushButton(otherGroup);
    pinButton = new QPushButton(otherGroup);
    og->addWidget(addressButton);
    og->addWidget(pinButton);
    col1->addWidget(otherGroup);
    common2Group = group(this);
    auto *c2 = tightGrid(common2Group);
    inputMultiplierLabel = new QLabel(common2Group);
    inputMultiplier = byteEdit(common2Group);
    multipriceLabel = new QLabel(common2Group);
    multiprice = new NumEdit(common2Group, 1);
    multiprice->setFixedWidth(38);
    // Translated captions may be long: they wrap rather than being cut.
    inputMultiplierLabel->setWordWrap(true);
    multipriceLabel->setWordWrap(true);
    c2->addWidget(inputMultiplierLabel, 0, 0);
    c2->addWidget(inputMultiplier, 0, 1);
    c2->addWidget(multipriceLabel, 1, 0);
    c2->addWidget(multiprice, 1, 1);
    col1->addWidget(common2Group);
    col1->addStretch(1);
    bottom->addLayout(col1);

    // Column 2: the common parameters.
    auto *col2 = new QVBoxLayout;
    col2->addWidget(buildCommon());
    col2->addStretch(1);
    // Room left over goes to the parameters, whose captions then need not wrap.
    bottom->addLayout(col2, 1);

    // Column 3: sorter and display.
    auto *col3 = new QVBoxLayout;
    sorterGroup = group(this);
    auto *sg = new QHBoxLayout(sorterGroup);
    sg->setContentsMargins(6, 4, 6, 4);
    sorterList = catalogueList(sorterGroup, 80);
    sorterAccept = new QPushButton(sorterGroup);
    sg->addWidget(sorterList, 1);
    sg->addWidget(sorterAccept);
    col3->addWidget(sorterGroup);
    displayGroup = group(this);
    auto *dg = tightGrid(displayGroup);
    displayTypeLabel = new QLabel(displayGroup);
    displayType = catalogueList(displayGroup, 105);
    displayViewLabel = new QLabel(displayGroup);
    displayView = catalogueList(displayGroup, 105);
    multiplierLabel = new QLabel(displayGroup);
    displayMultiplier = catalogueList(displayGroup, 60);
    displayMultiplier->addItems(
        {QStringLiteral("No"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"),
         QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("25"),
         QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("200"), QStringLiteral("250"),
         QStringLiteral("500"), QStringLiteral("1000"), QStringLiteral("No"), QStringLiteral("No")});
    decimalsLabel = new QLabel(displayGroup);
    decimals = new SpinEdit(0, 3, displayGroup);
    dg->addWidget(displayTypeLabel, 0, 0);
    dg->addWidget(displayType, 0, 1);
    dg->addWidget(displayViewLabel, 1, 0);
    dg->addWidget(displayView, 1, 1);
    dg->addWidget(multiplierLabel, 2, 0);
    dg->addWidget(displayMultiplier, 2, 1);
    dg->addWidget(decimalsLabel, 3, 0);
    dg->addWidget(decimals, 3, 1, Qt::AlignLeft);
    col3->addWidget(displayGroup);
    col3->addStretch(1);
    bottom->addLayout(col3);

    // Column 4: country codes and DIP switch mode.
    auto *col4 = new QVBoxLayout;
    countryGroup = group(this);
    auto *cg = tightGrid(countryGroup);
    for (int i = 0; i < 3; ++i) {
        countryLabel[i] = new QLabel(countryGroup);
        countryCode[i] = catalogueList(countryGroup, 90);
        cg->addWidget(countryLabel[i], i, 0);
        cg->addWidget(countryCode[i], i, 1);
    }
    countryAccept = new QPushButton(countryGroup);
    cg->addWidget(countryAccept, 3, 1);
    col4->addWidget(countryGroup);
    dipGroup = group(this);
    auto *dpl = new QVBoxLayout(dipGroup);
    dpl->setContentsMargins(6, 4, 6, 4);
    dipMode = catalogueList(dipGroup, 100);
    dpl->addWidget(dipMode);
    col4->addWidget(dipGroup);
    col4->addStretch(1);
    bottom->addLayout(col4);

    // Column 5: fraud inhibit, autoprog and stop modes.
    auto *col5 = new QVBoxLayout;
    fraudGroup = group(this);
    auto *fg = tightGrid(fraudGroup);
    fraudTimeLabel = new QLabel(fraudGroup);
    fraudTime = byteEdit(fraudGroup);
    fraudUnit = new QLabel(fraudGroup);
    // The caption over its box: the unit may read "Disabled" in full, and the column's width
    // is worth more to the parameters than its height.
    fg->addWidget(fraudTimeLabel, 0, 0, 1, 2);
    fg->addWidget(fraudTime, 1, 0);
    fg->addWidget(fraudUnit, 1, 1);
    fg->setColumnStretch(1, 1);
    col5->addWidget(fraudGroup);
    autoprogGroup = group(this);
    auto *ag = new QVBoxLayout(autoprogGroup);
    ag->setContentsMargins(6, 4, 6, 4);
    autoprogMode = new QLabel(autoprogGroup);
    ag->addWidget(autoprogMode);
    col5->addWidget(autoprogGroup);
    stopGroup = group(this);
    auto *stg = tightGrid(stopGroup);
    stopMode = new QLabel(stopGroup);
    stopTimeLabel = new QLabel(stopGroup);
    stopTime = byteEdit(stopGroup);
    stopUnit = new QLabel(QStringLiteral("s"), stopGroup);
    stg->addWidget(stopMode, 0, 0, 1, 3);
    stg->addWidget(stopTimeLabel, 1, 0);
    stg->addWidget(stopTime, 1, 1);
    stg->addWidget(stopUnit, 1, 2);
    col5->addWidget(stopGroup);
    col5->addStretch(1);
    bottom->addLayout(col5);

    outer->addLayout(bottom, 1);
    init_language();
}

QWidget *ConfigPageView::buildIo()
{
    ioGroup = group(this);
    auto *grid = new QGridLayout(ioGroup);
    grid->setContentsMargins(6, 0, 6, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    ioEdit = new QCheckBox(ioGroup);
    ioEdit->setObjectName(QStringLiteral("ioEdit"));
    grid->addWidget(ioEdit, 0, 1);
    ioTimeOnHeading = new QLabel(ioGroup);
    ioTimeOffHeading = new QLabel(ioGroup);
    ioValueHeading = new QLabel(ioGroup);
    grid->addWidget(ioTimeOnHeading, 0, 2, 1, 2);
    grid->addWidget(ioTimeOffHeading, 0, 4, 1, 2);
    grid->addWidget(ioValueHeading, 0, 6);
    // Channel bank headings: "Channels" over the two banks, then the numbers 16 (left)
    // to 1 (right) over their boxes.
    auto *heads = new QWidget(ioGroup);
    const int box = 16, gap = 6;
    heads->setFixedSize(IoRowView::Channels * box + gap + 4, 30);
    ioChannelsHeading = new QLabel(heads);
    ioChannelsHeading->setAlignment(Qt::AlignCenter);
    ioChannelsHeading->setGeometry(0, 0, heads->width(), 14);
    const int marks[] = {16, 12, 8, 4, 1};
    for (int ch : marks) {
        const int slot = IoRowView::Channels - ch; // 0 for channel 16
        const int x = slot * box + (ch <= 8 ? gap : 0);
        auto *l = new QLabel(QString::number(ch), heads);
        l->setGeometry(x, 15, 18, 14);
    }
    grid->addWidget(heads, 0, 8);
    for (int i = 0; i < 8; ++i) {
        io[i].build(i + 1, ioGroup, grid, 1 + i);
        // An unassigned line keeps its row height even with every control hidden.
        grid->setRowMinimumHeight(1 + i, 23);
    }
    grid->setColumnStretch(12, 1);
    connect(ioEdit, &QCheckBox::toggled, this, [this](bool on) {
        for (IoRowView &r : io) {
            r.functions->setVisible(on);
            r.note->setVisible(!on);
        }
    });
    return ioGroup;
}

QWidget *ConfigPageView::buildCommon()
{
    commonGroup = group(this);
    auto *g = tightGrid(commonGroup);
    m_commonGrid = g;
    for (int i = 0; i < ParamCount; ++i) {
        paramLabel[i] = new QLabel(commonGroup);
        paramLabel[i]->setWordWrap(true);
        param[i] = byteEdit(commonGroup);
        param[i]->setObjectName(QStringLiteral("param%1").arg(i));
        paramUnit[i] = new QLabel(commonGroup);
        g->addWidget(paramLabel[i], i, 0);
        g->addWidget(param[i], i, 1);
        g->addWidget(paramUnit[i], i, 2);
    }
    for (int i : {BonusTime, RestTime, TimeoutWarning})
        paramUnit[i]->setText(QStringLiteral("s"));
    multiplierUnit = new QComboBox(commonGroup);
    multiplierUnit->addItems({QStringLiteral("m"), QStringLiteral("s")});
    g->addWidget(multiplierUnit, TimeMultiplier, 2);
    g->setRowStretch(ParamCount, 1);
    return commonGroup;
}

void ConfigPageView::init_language()
{
    versionGroup->setTitle(Msg(4));
    fraudGroup->setTitle(Msg(150));
    stopTimeLabel->setText(Msg(297));
    dipGroup->setTitle(Msg(103));
    commonGroup->setTitle(Msg(5));
    const int captions[ParamCount] = {90, 39, 40, 41, 42, 43, 226, 298, 293};
    // The box keeps room for the longest word of its captions, shown or not, so that no
    // choice of version squeezes it; a long caption wraps.
    int widest = 0;
    for (int i = 0; i < ParamCount; ++i) {
        // A trailing number stays with its word ("bonus 1" is never split).
        QString caption = Msg(captions[i]);
        caption.replace(QRegularExpression(QStringLiteral(" (\\d+)$")), QStringLiteral("\u00A0\\1"));
        paramLabel[i]->setText(caption);
        for (const QString &word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            widest = qMax(widest, paramLabel[i]->fontMetrics().horizontalAdvance(word));
    }
    m_commonGrid->setColumnMinimumWidth(0, widest + 2);
    ioValueHeading->setText(Msg(313));
    ioEdit->setText(Msg(105));
    ioGroup->setTitle(Msg(11));
    const int lines[8] = {194, 195, 196, 197, 198, 199, 158, 164};
    for (int i = 0; i < 8; ++i) {
        io[i].caption->setText(Msg(lines[i]));
        if (io[i].directions)
            io[i].directions->setText(Msg(83));
    }
    ioTimeOnHeading->setText(Msg(295));
    ioTimeOffHeading->setText(Msg(294));
    ioChannelsHeading->setText(Msg(63));
    sorterGroup->setTitle(Msg(20));
    sorterAccept->setText(Msg(25));
    displayGroup->setTitle(Msg(8));
    displayTypeLabel->setText(Msg(304));
    displayViewLabel->setText(Msg(244));
    decimalsLabel->setText(Msg(95));
    multiplierLabel->setText(Msg(183));
    otherGroup->setTitle(Msg(18));
    common2Group->setTitle(Msg(5));
    inputMultiplierLabel->setText(Msg(165));
    multipriceLabel->setText(Msg(184));
    countryGroup->setTitle(Msg(6));
    countryAccept->setText(Msg(25));
    for (int i = 0; i < 3; ++i)
        countryLabel[i]->setText(Msg(69 + i));
    fraudTimeLabel->setText(Msg(297));
    // The unit label also reads "Disabled" or "Reset": room for the longest of them.
    const QFontMetrics fm(fraudUnit->font());
    fraudUnit->setMinimumWidth(qMax(fm.horizontalAdvance(Msg(106)), fm.horizontalAdvance(Msg(108))) + 4);
    stopUnit->setMinimumWidth(fm.horizontalAdvance(Msg(38)) + 4);
    setStandard->setCaption(Msg(318));
    autoprogGroup->setTitle(Msg(33));
    stopGroup->setTitle(Msg(34));
    addressButton->setText(Msg(44));
    pinButton->setText(Msg(45));
    // Each as narrow as its caption allows (a style's usual minimum is wider than "PIN").
    for (QPushButton *b : {addressButton, pinButton})
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 14);
}
