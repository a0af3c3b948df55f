#include "controls/SpinEdit.h"

SpinEdit::SpinEdit(QWidget *parent) : SpinEdit(0, 255, parent)
{
}

SpinEdit::SpinEdit(int minimum, int maximum, QWidget *parent) : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setAccelerated(true);
}

int SpinEdit::maxDigits() const
{
    return QString::number(qMax(qAbs(minimum()), qAbs(maximum()))).size();
}

QValidator::State SpinEdit::validate(QString &input, int &pos) const
{
    const QString digits = input.trimmed();
    int n = 0;
    for (QChar c : digits)
        if (c.isDigit())
            ++n;
    if (n > maxDigits())
        return QValidator::Invalid;
    return QSpinBox::validate(input, pos);
}
