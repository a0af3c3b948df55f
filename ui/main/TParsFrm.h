#pragma once

#include <QDialog>

class SectionTree;
class QTreeWidget;
class QTreeWidgetItem;

// The section selection window: the configuration document's sections as a tree whose
// state pictures (unchecked, checked, empty) the user clicks. Ticking rules and the OK
// rule are SectionTree's; the window only draws its nodes.
class TParsFrm : public QDialog
{
    Q_OBJECT
public:
    TParsFrm(SectionTree &tree, QWidget *parent = nullptr);

    // Runs the window for the tree's current content; true for OK.
    bool run();
    // Rebuilds the shown tree from the model.
    void rebuild();
    // The node shown by a tree item, -1 for none.
    int nodeOf(QTreeWidgetItem *item) const;
    QTreeWidgetItem *itemOf(int node) const;
    QTreeWidget *treeWidget() const { return m_tree; }
    // One click on the state picture of node.
    void clickState(int node);

    static QPixmap statePicture(int state);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshStates();

    SectionTree &m_model;
    QTreeWidget *m_tree;
    QList<QTreeWidgetItem *> m_items;
};
