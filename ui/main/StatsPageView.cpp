#include "main/StatsPageView.h"

#include "app/Messages.h"
#include "controls/NumEdit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

StatsPageView::StatsPageView(QWidget *parent) : QWidget(parent)
{
    auto *outer = new QHBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    for (int c = 0; c < 2; ++c) {
        m_setting[c] = new QLabel(this);
        m_value[c] = new QLabel(this);
        grid->addWidget(m_setting[c], 0, 1 + 4 * c);
        grid->addWidget(m_value[c], 0, 2 + 4 * c);
    }
    for (int k = 0; k < Slots; ++k) {
        const int col = (k / 10) * 4;
        const int row = 1 + k % 10;
        auto *n = new QLabel(QStringLiteral("%1.").arg(k + 1), this);
        n->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        option[k] = new QComboBox(this);
        option[k]->setMinimumWidth(200);
        option[k]->setObjectName(QStringLiteral("statOption%1").arg(k + 1));
        // Counters are 24-bit: eight digits hold the largest.
        value[k] = new NumEdit(this, 8);
        value[k]->setFixedWidth(90);
        value[k]->setObjectName(QStringLiteral("statValue%1").arg(k + 1));
        grid->addWidget(n, row, col);
        grid->addWidget(option[k], row, col + 1);
        grid->addWidget(value[k], row, col + 2);
    }
    grid->setColumnMinimumWidth(3, 24);
    auto *left = new QVBoxLayout;
    left->addLayout(grid);
    left->addStretch(1);
    outer->addLayout(left);
    outer->addSpacing(16);
    auto *buttons = new QVBoxLayout;
    readButton = new QPushButton(this);
    writeButton = new QPushButton(this);
    exportButton = new QPushButton(this);
    readButton->setObjectName(QStringLiteral("statRead"));
    writeButton->setObjectName(QStringLiteral("statWrite"));
    exportButton->setObjectName(QStringLiteral("statExport"));
    for (QPushButton *b : {readButton, writeButton, exportButton}) {
        b->setMinimumWidth(110);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    outer->addLayout(buttons);
    outer->addStretch(1);
    init_language();
}

void StatsPageView::init_language()
{
    m_setting[0]->setText(Msg(243));
    m_value[0]->setText(Msg(313));
    m_value[1]->setText(Msg(313));
    m_setting[1]->setText(Msg(243));
    exportButton->setText(Msg(139));
    readButton->setText(Msg(219));
    writeButton->setText(Msg(320));
}
