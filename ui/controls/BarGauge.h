#pragma once

#include <QWidget>

// A bar that fills in proportion to a value within a range; values outside the range
// are held at its ends. Horizontal or vertical.
class BarGauge : public QWidget
{
    Q_OBJECT
public:
    explicit BarGauge(QWidget *parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setValue(int value);
    int value() const { return m_value; }
    // 0.0 (empty) to 1.0 (full).
    double fraction() const;
    void setOrientation(Qt::Orientation orientation);
    void setShowText(bool show);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    Qt::Orientation m_orientation = Qt::Horizontal;
    bool m_showText = true;
};
