#pragma once

#include <QWidget>

// Picture of a bank of DIP switches; switch 1 is bit 0 of the value. Shows state only:
// the selector owns its switches.
class DipSwitch : public QWidget
{
    Q_OBJECT
public:
    explicit DipSwitch(QWidget *parent = nullptr);

    void setSwitchCount(int count);
    int switchCount() const { return m_count; }
    void setValue(quint32 value);
    quint32 value() const { return m_value; }
    bool isOn(int index) const;
    void setOnText(const QString &text);
    QString onText() const { return m_onText; }

    // At its hint a switch is 18 pixels wide; a window may give it more (or a little less)
    // room, and the picture, its levers and its numbers scale with it.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Where switch index's slot and lever are drawn at the current size.
    QRectF slotRect(int index) const;
    QRectF leverRect(int index) const;
    // The pixel size of the "ON" mark and the switch numbers.
    int textPixelSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_count = 8;
    quint32 m_value = 0;
    QString m_onText = QStringLiteral("ON");
};
