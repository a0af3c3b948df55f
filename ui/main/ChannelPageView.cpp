#include "main/ChannelPageView.h"

#include "app/Messages.h"
#include "controls/RotatedLabel.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

ChannelPageView::ChannelPageView(int firstChannel, QWidget *parent) : QWidget(parent), m_first(firstChannel)
{
    auto *outer = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    m_chHeading = new QLabel(this);
    grid->addWidget(m_chHeading, 0, 0, 2, 1, Qt::AlignCenter | Qt::AlignBottom);
    m_parHeading = new QLabel(this);
    m_parHeading->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_parHeading, 0, 1, 1, 6);
    const char *measures[] = {"AM1", "PH1", "AM2", "PH2", "PI3", "DIM"};
    for (int m = 0; m < 6; ++m) {
        auto *l = new QLabel(QLatin1String(measures[m]), this);
        l->setAlignment(Qt::AlignCenter);
        grid->addWidget(l, 1, 1 + m);
    }
    // The four status boxes are narrow, so their captions stand upright.
    const char *flags[] = {"ccTalk", "Sel.", "Fake", "En."};
    for (int f = 0; f < 4; ++f)
        grid->addWidget(new RotatedLabel(QLatin1String(flags[f]), 270, this), 0, 7 + f, 2, 1,
                        Qt::AlignCenter | Qt::AlignBottom);
    const char *columns[] = {"Dir.", "CVF", "Mint", "CC"};
    for (int c = 0; c < 4; ++c) {
        auto *l = new QLabel(QLatin1String(columns[c]), this);
        l->setAlignment(Qt::AlignCenter);
        m_headings << l;
        grid->addWidget(l, 1, 11 + c);
    }
    m_valHeading = new QLabel(this);
    m_valHeading->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_valHeading, 1, 15);
    for (int i = 0; i < 8; ++i) {
        m_rows[i].build(firstChannel + i, this, grid, 2 + i);
    }
    outer->addLayout(grid);
    outer->addStretch(1);
    init_language();
}

void ChannelPageView::init_language()
{
    m_chHeading->setText(Msg(54));
    m_parHeading->setText(Msg(207));
    m_headings[3]->setText(Msg(87));
    m_valHeading->setText(Msg(312));
    for (ChannelRowView &r : m_rows)
        r.setHints(Msg(561), Msg(562), Msg(563), Msg(564));
}
