#pragma once

#include <QColor>
#include <QWidget>

// A round lamp: lit in its colour, dark in a dimmed shade of it.
class LedLamp : public QWidget
{
    Q_OBJECT
public:
    explicit LedLamp(QWidget *parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return m_on; }
    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    // The colour actually painted in the current state.
    QColor shownColor() const;

    QSize sizeHint() const override { return QSize(16, 16); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_on = false;
    QColor m_color = Qt::green;
};
