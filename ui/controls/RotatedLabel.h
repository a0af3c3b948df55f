#pragma once

#include <QWidget>

// A caption drawn at a right angle, for narrow column headings.
class RotatedLabel : public QWidget
{
    Q_OBJECT
public:
    // angle is 90 (top to bottom) or 270 (bottom to top); anything else becomes 270.
    explicit RotatedLabel(const QString &text = QString(), int angle = 270, QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return m_text; }
    int angle() const { return m_angle; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    int m_angle;
};
