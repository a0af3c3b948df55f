#include "diag/TFtFrm.h"

#include "app/Messages.h"
#include "diag/FactoryTest.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TFtFrm::TFtFrm(DeviceSession &session, const QString &iniPath, QWidget *parent)
    : QDialog(parent), m_model(std::make_unique<FactoryTest>(session, iniPath))
{
    setObjectName(QStringLiteral("TFtFrm"));
    auto *layout = new QVBoxLayout(this);
    m_panel = new QLabel(this);
    m_panel->setObjectName(QStringLiteral("panel"));
    m_panel->setMinimumHeight(70);
    m_panel->setAlignment(Qt::AlignCenter);
    m_panel->setAutoFillBackground(true);
    QFont big = m_panel->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    m_panel->setFont(big);
    m_status = m_panel; // the status is written on the coloured panel
    layout->addWidget(m_panel);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_averages = new QLineEdit(this);
    m_averages->setReadOnly(true);
    m_averages->setFont(fixed);
    layout->addWidget(m_averages);
    m_list = new QListWidget(this);
    m_list->setFont(fixed);
    layout->addWidget(m_list, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_close = new QPushButton(this);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_model.get(), &FactoryTest::changed, this, &TFtFrm::refresh);
    resize(460, 420);
    init_language();
    refresh();
}

TFtFrm::~TFtFrm() = default;

void TFtFrm::init_language()
{
    setWindowTitle(Msg(140));
    m_close->setText(Msg(68));
    if (m_model)
        refresh();
}

void TFtFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_closing = false;
    m_model->activate();
}

void TFtFrm::done(int result)
{
    // Close stops the station; a cycle under way unwinds at its next check.
    if (!m_closing) {
        m_closing = true;
        m_model->close();
    }
    QDialog::done(result);
}

void TFtFrm::refresh()
{
    QColor colour = palette().color(QPalette::Window);
    switch (m_model->panel()) {
    case FactoryTest::Panel::Waiting:
        colour = Qt::yellow;
        break;
    case FactoryTest::Panel::Testing:
        colour = Qt::cyan;
        break;
    case FactoryTest::Panel::Passed:
        colour = Qt::green;
        break;
    case FactoryTest::Panel::Failed:
        colour = Qt::red;
        break;
    case FactoryTest::Panel::Idle:
        break;
    }
    QPalette p = m_panel->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, Qt::black);
    m_panel->setPalette(p);
    m_status->setText(m_model->status());
    m_averages->setText(m_model->averages());

    const QStringList lines = m_model->lines();
    QStringList shown;
    for (int i = 0; i < m_list->count(); ++i)
        shown << m_list->item(i)->text();
    if (shown != lines) {
        m_list->clear();
        m_list->addItems(lines);
        if (m_list->count() > 0)
            m_list->setCurrentRow(m_list->count() - 1);
    }
    QPalette lp = m_list->palette();
    const FactoryTest::ListColour lc = m_model->listColour();
    lp.setColor(QPalette::Text, lc == FactoryTest::ListColour::Red     ? QColor(Qt::red)
                                : lc == FactoryTest::ListColour::Green ? QColor(Qt::darkGreen)
                                                                       : palette().color(QPalette::Text));
    m_list->setPalette(lp);
}
