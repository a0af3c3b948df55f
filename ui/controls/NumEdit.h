#pragma once

#include <QLineEdit>

// A decimal edit box for small numbers: only digits, at most maxDigits of them (three by
// default, enough for a byte). Range checks are the configuration model's: the box only
// keeps letters and signs out. value() says whether the text is a number at all.
class NumEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit NumEdit(QWidget *parent = nullptr, int maxDigits = 3);

    void setMaxDigits(int digits);
    int maxDigits() const { return m_digits; }
    void setValue(int value);
    // The number shown; ok=false (result 0) when the box is empty.
    int value(bool *ok = nullptr) const;

    QSize sizeHint() const override;

private:
    int m_digits;
};
