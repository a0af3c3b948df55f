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

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_count = 8;
    quint32 m_value = 0;
    QString m_onText = QStringLiteral("ON");
};
