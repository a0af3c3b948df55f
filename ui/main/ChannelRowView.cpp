#include "main/ChannelRowView.h"

#include "controls/NumEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

namespace {
NumEdit *smallEdit(QWidget *parent)
{
    auto *e = new NumEdit(parent, 3);
    e->setFixedWidth(34);
    return e;
}

QComboBox *smallCombo(QWidget *parent, const QStringList &items, int width)
{
    auto *c = new QComboBox(parent);
    c->addItems(items);
    c->setFixedWidth(width);
    return c;
}
} // namespace

void ChannelRowView::build(int channelNumber, QWidget *parent, QGridLayout *grid, int row)
{
    channel = channelNumber;
    number = new QLabel(QString::number(channelNumber), parent);
    number->setAlignment(Qt::AlignCenter);
    grid->addWidget(number, row, 0);
    for (int m = 0; m < Measurements; ++m) {
        auto *pair = new QWidget(parent);
        auto *h = new QHBoxLayout(pair);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(1);
        parameter[m] = smallEdit(pair);
        tolerance[m] = smallEdit(pair);
        parameter[m]->setObjectName(QStringLiteral("par%1_%2").arg(channelNumber).arg(m));
        tolerance[m]->setObjectName(QStringLiteral("tol%1_%2").arg(channelNumber).arg(m));
        h->addWidget(parameter[m]);
        h->addWidget(tolerance[m]);
        grid->addWidget(pair, row, 1 + m);
    }
    ccTalk = new QCheckBox(parent);
    selective = new QCheckBox(parent);
    fake = new QCheckBox(parent);
    enabled = new QCheckBox(parent);
    grid->addWidget(ccTalk, row, 7, Qt::AlignCenter);
    grid->addWidget(selective, row, 8, Qt::AlignCenter);
    grid->addWidget(fake, row, 9, Qt::AlignCenter);
    grid->addWidget(enabled, row, 10, Qt::AlignCenter);
    QStringList dirs;
    for (int i = 0; i <= 8; ++i)
        dirs << QString::number(i);
    dirs << QStringLiteral("-");
    direction = smallCombo(parent, dirs, 46);
    valueCode = smallCombo(
        parent,
        {QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("2.5"), QStringLiteral("005"),
         QStringLiteral("010"), QStringLiteral("020"), QStringLiteral("025"), QStringLiteral("050"),
         QStringLiteral("100"), QStringLiteral("200"), QStringLiteral("250"), QStringLiteral("500"),
         QStringLiteral("1K0"), QStringLiteral("2K0"), QStringLiteral("5K0"), QStringLiteral("...")},
        58);
    mint = smallCombo(
        parent, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral(".")}, 42);
    country = smallCombo(
        parent, {QStringLiteral("EU"), QStringLiteral("TK"), QStringLiteral(".."), QStringLiteral("..")}, 50);
    value = smallEdit(parent);
    value->setObjectName(QStringLiteral("val%1").arg(channelNumber));
    grid->addWidget(direction, row, 11);
    grid->addWidget(valueCode, row, 12);
    grid->addWidget(mint, row, 13);
    grid->addWidget(country, row, 14);
    grid->addWidget(value, row, 15);
}

void ChannelRowView::setEnabled(bool on)
{
    for (int m = 0; m < Measurements; ++m) {
        parameter[m]->setEnabled(on);
        tolerance[m]->setEnabled(on);
    }
    for (QWidget *w :
         {static_cast<QWidget *>(ccTalk), static_cast<QWidget *>(selective), static_cast<QWidget *>(fake),
          static_cast<QWidget *>(enabled), static_cast<QWidget *>(direction),
          static_cast<QWidget *>(valueCode), static_cast<QWidget *>(mint), static_cast<QWidget *>(country),
          static_cast<QWidget *>(value)})
        w->setEnabled(on);
}

void ChannelRowView::setCountryCodes(const QString &codes8)
{
    const int keep = country->currentIndex();
    country->clear();
    for (int i = 0; i < 4; ++i)
        country->addItem(codes8.mid(2 * i, 2).leftJustified(2, QLatin1Char('.')));
    country->setCurrentIndex(keep < 0 ? 0 : keep);
}

void ChannelRowView::setHints(const QString &ccTalkHint, const QString &selHint, const QString &fakeHint,
                              const QString &enHint)
{
    ccTalk->setToolTip(ccTalkHint);
    selective->setToolTip(selHint);
    fake->setToolTip(fakeHint);
    enabled->setToolTip(enHint);
}
