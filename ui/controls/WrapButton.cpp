#include "controls/WrapButton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {
constexpr int kPad = 6;
}

WrapButton::WrapButton(QWidget *parent) : QPushButton(parent), m_label(new QLabel(this))
{
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(kPad, 3, kPad, 3);
    layout->addWidget(m_label);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void WrapButton::setCaption(const QString &text)
{
    m_label->setText(text);
    setAccessibleName(text);
    updateGeometry();
}

QString WrapButton::caption() const
{
    return m_label->text();
}

int WrapButton::lineCount() const
{
    const int lineHeight = m_label->fontMetrics().lineSpacing();
    const int h = m_label->heightForWidth(qMax(1, width() - 2 * kPad));
    return lineHeight > 0 ? qMax(1, (h + lineHeight / 2) / lineHeight) : 1;
}

QSize WrapButton::sizeHint() const
{
    const QFontMetrics fm(m_label->font());
    const int w = fm.horizontalAdvance(m_label->text()) + 2 * kPad + 4;
    return QSize(w, heightForWidth(w));
}

QSize WrapButton::minimumSizeHint() const
{
    return QSize(40, heightForWidth(40));
}

int WrapButton::heightForWidth(int width) const
{
    return m_label->heightForWidth(qMax(1, width - 2 * kPad)) + 8;
}
