#include "main/TParsFrm.h"

#include "app/Messages.h"
#include "files/SectionTree.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TParsFrm::TParsFrm(SectionTree &tree, QWidget *parent) : QDialog(parent), m_model(tree)
{
    setObjectName(QStringLiteral("TParsFrm"));
    auto *layout = new QVBoxLayout(this);
    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    layout->addWidget(m_tree);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Msg(188));
    buttons->button(QDialogButtonBox::Cancel)->setText(Msg(51));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A press on a node's picture (or the space bar) changes its state; a click or a double
    // click on the caption, and Enter, only select, so a stray click never unticks a section.
    m_tree->viewport()->installEventFilter(this);
    m_tree->installEventFilter(this);
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        const int n = nodeOf(item);
        if (n >= 0)
            m_model.setExpanded(n, true);
    });
    connect(m_tree, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        const int n = nodeOf(item);
        if (n >= 0)
            m_model.setExpanded(n, false);
    });
    resize(360, 440);
}

QPixmap TParsFrm::statePicture(int state)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1.5, 1.5, 13, 13);
    if (state == SectionTree::Empty) {
        p.setPen(QPen(QColor(170, 170, 170), 1, Qt::DotLine));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(box);
        return pm;
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawRect(box);
    if (state == SectionTree::Checked) {
        p.setPen(QPen(QColor(0, 130, 0), 2.2));
        p.drawLine(QPointF(4, 8), QPointF(7, 11.5));
        p.drawLine(QPointF(7, 11.5), QPointF(12.5, 4));
    }
    return pm;
}

void TParsFrm::rebuild()
{
    m_tree->clear();
    m_items.clear();
    for (int i = 0; i < m_model.count(); ++i) {
        const int parent = m_model.parent(i);
        QTreeWidgetItem *item = (parent < 0 || parent >= m_items.size())
                                    ? new QTreeWidgetItem(m_tree)
                                    : new QTreeWidgetItem(m_items.at(parent));
        item->setText(0, m_model.caption(i));
        item->setData(0, Qt::UserRole, i);
        m_items.append(item);
    }
    for (int i = 0; i < m_items.size(); ++i)
        m_items[i]->setExpanded(m_model.expanded(i));
    refreshStates();
}

void TParsFrm::refreshStates()
{
    for (int i = 0; i < m_items.size(); ++i)
        m_items[i]->setIcon(0, QIcon(statePicture(m_model.state(i))));
}

int TParsFrm::nodeOf(QTreeWidgetItem *item) const
{
    if (!item)
        return -1;
    bool ok = false;
    const int n = item->data(0, Qt::UserRole).toInt(&ok);
    return ok ? n : -1;
}

QTreeWidgetItem *TParsFrm::itemOf(int node) const
{
    return node >= 0 && node < m_items.size() ? m_items.at(node) : nullptr;
}

bool TParsFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint pos = mouse->position().toPoint();
        QTreeWidgetItem *item = m_tree->itemAt(pos);
        if (item && mouse->button() == Qt::LeftButton) {
            const QRect r = m_tree->visualItemRect(item);
            if (pos.x() < r.left() + m_tree->iconSize().width() + 6)
                clickState(nodeOf(item));
        }
    } else if (watched == m_tree && event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        clickState(nodeOf(m_tree->currentItem()));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TParsFrm::clickState(int node)
{
    if (node < 0 || node >= m_model.count())
        return;
    m_model.ToggleNode(node);
    refreshStates();
}

bool TParsFrm::run()
{
    setWindowTitle(m_model.windowCaption);
    m_model.prepareShow();
    rebuild();
    return exec() == QDialog::Accepted;
}
