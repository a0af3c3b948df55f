#include "controls/NumEdit.h"

#include <QRegularExpressionValidator>

NumEdit::NumEdit(QWidget *parent, int maxDigits) : QLineEdit(parent), m_digits(0)
{
    setAlignment(Qt::AlignRight);
    setMaxDigits(maxDigits);
}

void NumEdit::setMaxDigits(int digits)
{
    m_digits = qBound(1, digits, 9);
    setMaxLength(m_digits);
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(m_digits)), this));
    if (text().size() > m_digits)
        setText(text().left(m_digits));
    updateGeometry();
}

void NumEdit::setValue(int value)
{
    QString t = QString::number(qMax(0, value));
    if (t.size() > m_digits)
        t = t.left(m_digits);
    setText(t);
}

int NumEdit::value(bool *ok) const
{
    bool good = false;
    const int v = text().toInt(&good);
    if (ok)
        *ok = good;
    return good ? v : 0;
}

QSize NumEdit::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize base = QLineEdit::sizeHint();
    return QSize(fm.horizontalAdvance(QString(m_digits, QLatin1Char('0'))) + 14, base.height());
}
