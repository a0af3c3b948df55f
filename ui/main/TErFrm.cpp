#include "main/TErFrm.h"

#include "app/Messages.h"
#include "stats/ErasingModel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TErFrm::TErFrm(ErasingModel &model, QWidget *parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TErFrm"));
    auto *layout = new QVBoxLayout(this);
    m_channelGroup = new QGroupBox(this);
    auto *cg = new QGridLayout(m_channelGroup);
    for (int n = 1; n <= 16; ++n) {
        auto *b = new QCheckBox(QString::number(n), m_channelGroup);
        m_channels[n - 1] = b;
        cg->addWidget(b, (n - 1) / 8, (n - 1) % 8);
        connect(b, &QCheckBox::clicked, this, [this, n](bool on) {
            m_model.setChannelChecked(n, on);
            refresh();
        });
    }
    m_allChannels = new QCheckBox(m_channelGroup);
    cg->addWidget(m_allChannels, 2, 0, 1, 2);
    connect(m_allChannels, &QCheckBox::clicked, this, [this](bool on) {
        m_model.setAllChannels(on);
        refresh();
    });
    layout->addWidget(m_channelGroup);
    m_statGroup = new QGroupBox(this);
    auto *sg = new QGridLayout(m_statGroup);
    for (int k = 1; k <= 20; ++k) {
        auto *b = new QCheckBox(QString::number(k), m_statGroup);
        m_stats[k - 1] = b;
        sg->addWidget(b, (k - 1) / 10, (k - 1) % 10);
        connect(b, &QCheckBox::clicked, this, [this, k](bool on) {
            m_model.setStatChecked(k, on);
            refresh();
        });
    }
    m_allStats = new QCheckBox(m_statGroup);
    sg->addWidget(m_allStats, 2, 0, 1, 2);
    connect(m_allStats, &QCheckBox::clicked, this, [this](bool on) {
        m_model.setAllStats(on);
        refresh();
    });
    layout->addWidget(m_statGroup);
    auto *buttons = new QHBoxLayout;
    m_erase = new QPushButton(this);
    m_close = new QPushButton(this);
    buttons->addStretch(1);
    buttons->addWidget(m_erase);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    connect(m_erase, &QPushButton::clicked, this, [this] {
        if (m_model.erase())
            accept();
        refresh();
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    init_language();
    refresh();
}

void TErFrm::init_language()
{
    setWindowTitle(Msg(120));
    m_channelGroup->setTitle(Msg(233));
    m_allChannels->setText(Msg(30));
    m_statGroup->setTitle(Msg(236));
    m_allStats->setText(Msg(30));
    m_erase->setText(Msg(117));
    m_close->setText(Msg(68));
}

void TErFrm::refresh()
{
    for (int n = 1; n <= 16; ++n) {
        const QSignalBlocker b(m_channels[n - 1]);
        m_channels[n - 1]->setChecked(m_model.channelChecked(n));
    }
    for (int k = 1; k <= 20; ++k) {
        const QSignalBlocker b(m_stats[k - 1]);
        m_stats[k - 1]->setChecked(m_model.statChecked(k));
    }
    const QSignalBlocker a(m_allChannels), s(m_allStats);
    m_allChannels->setChecked(m_model.allChannels());
    m_allStats->setChecked(m_model.allStats());
}
