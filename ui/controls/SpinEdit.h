#pragma once

#include <QSpinBox>

// A spin edit that never takes more digits than its maximum needs (three for 0..255),
// so pasted or typed over-long numbers are refused instead of clipped silently.
class SpinEdit : public QSpinBox
{
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);
    SpinEdit(int minimum, int maximum, QWidget *parent = nullptr);

    int maxDigits() const;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
};
