#include "main/CompareView.h"

#include "app/Messages.h"
#include "files/DownloadCompare.h"
#include "main/TParsFrm.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

CompareView::CompareView(TParsFrm &window, DownloadCompare &model, QObject *parent)
    : QObject(parent), m_window(window), m_model(model)
{
    m_panel = new QWidget(&window);
    m_panel->setObjectName(QStringLiteral("comparePanel"));
    auto *row = new QHBoxLayout(m_panel);
    row->setContentsMargins(0, 0, 0, 0);
    m_compare = new QPushButton(m_panel);
    m_onlyChanged = new QCheckBox(m_panel);
    m_verify = new QCheckBox(m_panel);
    m_verify->setObjectName(QStringLiteral("verifyAfterWriting"));
    row->addWidget(m_compare);
    row->addStretch(1);
    row->addWidget(m_onlyChanged);
    row->addWidget(m_verify);
    // Between the tree and the OK/Cancel buttons.
    if (auto *layout = qobject_cast<QBoxLayout *>(window.layout()))
        layout->insertWidget(1, m_panel);
    m_panel->hide();
    connect(m_compare, &QPushButton::clicked, this, &CompareView::compareClick);
    connect(m_onlyChanged, &QCheckBox::toggled, this, [this](bool on) { m_model.setWriteOnlyChanged(on); });
    connect(m_verify, &QCheckBox::toggled, this, [this](bool on) { m_model.setVerifyAfterWriting(on); });
    init_language();
}

void CompareView::init_language()
{
    m_compare->setText(Msg(941));
    m_onlyChanged->setText(Msg(940));
    m_verify->setText(Msg(1080));
}

void CompareView::setActive(bool on)
{
    m_active = on;
    m_model.reset();
    QTreeWidget *tree = m_window.treeWidget();
    if (on) {
        const QSignalBlocker block(m_onlyChanged);
        const QSignalBlocker blockVerify(m_verify);
        m_onlyChanged->setChecked(m_model.writeOnlyChanged());
        m_verify->setChecked(m_model.verifyAfterWriting());
        tree->setColumnCount(3);
        tree->setHeaderLabels({QString(), Msg(942), Msg(943)});
        tree->setHeaderHidden(false);
        tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        m_window.resize(std::max(m_window.width(), 760), m_window.height());
    } else {
        tree->setColumnCount(1);
        tree->setHeaderHidden(true);
    }
    m_panel->setVisible(on);
}

void CompareView::compareClick()
{
    if (!m_active)
        return;
    m_compare->setEnabled(false);
    m_model.compare();
    m_compare->setEnabled(true);
    fill();
}

void CompareView::fill()
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QColor grey(150, 150, 150);
    for (int node = 0;; ++node) {
        QTreeWidgetItem *item = m_window.itemOf(node);
        if (!item)
            break;
        const BlockCompare::Block *b = m_model.blockOf(node);
        if (!b)
            continue;
        item->setText(1, b->status == BlockCompare::Unknown ? Msg(936) : b->current);
        item->setText(2, b->wanted);
        item->setFont(1, fixed);
        item->setFont(2, fixed);
        if (b->status == BlockCompare::Same)
            for (int c = 0; c < 3; ++c)
                item->setForeground(c, grey);
        // Show where the changes are.
        if (b->status != BlockCompare::Same)
            for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
                p->setExpanded(true);
    }
}
