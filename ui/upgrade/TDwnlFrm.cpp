#include "upgrade/TDwnlFrm.h"

#include "app/Messages.h"
#include "upgrade/UpgradeWindowModel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TDwnlFrm::TDwnlFrm(UpgradeWindowModel &model, QWidget *parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TDwnlFrm"));
    auto *g = new QGridLayout(this);
    m_open = new QPushButton(this);
    m_file = new QLabel(this);
    m_file->setMinimumWidth(360);
    m_file->setFrameShape(QFrame::StyledPanel);
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_start = new QPushButton(this);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(true);
    m_status = new QLabel(this);
    m_status->setMinimumHeight(m_status->fontMetrics().height() * 2);
    m_status->setWordWrap(true);
    m_close = new QPushButton(this);
    g->addWidget(m_open, 0, 0);
    g->addWidget(m_file, 0, 1, 1, 2);
    g->addWidget(m_start, 1, 0);
    g->addWidget(m_progress, 1, 1, 1, 2);
    g->addWidget(m_status, 2, 0, 1, 3);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_close);
    g->addLayout(row, 3, 0, 1, 3);
    g->setColumnStretch(1, 1);

    connect(m_open, &QPushButton::clicked, this, [this] { m_model.openFile(); });
    connect(m_start, &QPushButton::clicked, this, &TDwnlFrm::startClick);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_model, &UpgradeWindowModel::changed, this, &TDwnlFrm::refresh);
    init_language();
    refresh();
}

void TDwnlFrm::init_language()
{
    setWindowTitle(Msg(147));
    m_open->setText(Msg(191));
    m_start->setText(Msg(249));
    m_close->setText(Msg(68));
}

void TDwnlFrm::refresh()
{
    m_file->setText(m_model.fileLabel());
    m_status->setText(m_model.statusText());
    m_progress->setRange(0, m_model.progressMaximum());
    m_progress->setValue(m_model.progressValue());
    const bool idle = !m_model.running();
    m_open->setEnabled(idle);
    m_start->setEnabled(idle);
    m_close->setEnabled(idle);
}

void TDwnlFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_model.activate();
}

void TDwnlFrm::startClick()
{
    if (m_model.start())
        accept();
}

void TDwnlFrm::done(int result)
{
    // The window cannot be closed in the middle of a transfer.
    if (m_model.running())
        return;
    m_model.close();
    QDialog::done(result);
}
