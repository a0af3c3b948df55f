#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPointer>
#include <QWidget>

// A transparent overlay that draws lines joining other widgets of the same parent (a
// sensor picture to its lamp, for instance). Lines follow the widgets when they move.
class ConnectingLines : public QWidget
{
    Q_OBJECT
public:
    explicit ConnectingLines(QWidget *parent);

    // Joins the right edge centre of from to the left edge centre of to.
    void connectWidgets(QWidget *from, QWidget *to);
    void addLine(const QPoint &from, const QPoint &to);
    void clear();
    void setColor(const QColor &color);
    // The lines in this widget's coordinates, as they are painted now.
    QList<QLineF> lines() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Link
    {
        QPointer<QWidget> from;
        QPointer<QWidget> to;
    };
    QList<Link> m_links;
    QList<QLineF> m_fixed;
    QColor m_color = Qt::black;
};
