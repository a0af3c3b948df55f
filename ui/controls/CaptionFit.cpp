#include "controls/CaptionFit.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QToolButton>

namespace {
// The caption as drawn: a mnemonic "&" takes no room.
QString shownText(QString text)
{
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

int textWidth(const QFontMetrics &fm, const QString &text)
{
    int w = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        w = qMax(w, fm.horizontalAdvance(line));
    return w;
}

QString pathOf(const QWidget *w)
{
    QStringList parts;
    for (const QObject *o = w; o; o = o->parent()) {
        const QString name = o->objectName();
        parts.prepend(
            QLatin1String(o->metaObject()->className()) +
            (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ? QString() : QLatin1Char('#') + name));
        if (o->isWidgetType() && static_cast<const QWidget *>(o)->isWindow())
            break;
    }
    return parts.join(QLatin1Char('/'));
}

// A text shortened on purpose ends in an ellipsis and has its whole text as tooltip.
bool shortenedWithTooltip(const QWidget *w, const QString &shown)
{
    const QString tip = w->toolTip();
    if (tip.isEmpty() || !shown.endsWith(QChar(0x2026)))
        return false;
    return tip.startsWith(shown.chopped(1));
}

int labelMissing(const QLabel *l, bool &height)
{
    height = false;
    if (l->text().isEmpty() || l->textFormat() == Qt::RichText || Qt::mightBeRichText(l->text()))
        return 0;
    const QString text = shownText(l->text());
    const QRect cr = l->contentsRect();
    const int indent = l->indent() > 0 ? l->indent() : 0;
    const int room = cr.width() - 2 * l->margin() - indent;
    const QFontMetrics fm = l->fontMetrics();
    if (!l->wordWrap())
        return textWidth(fm, text) - room;
    // A wrapped caption breaks only between words: the longest word must fit, and the
    // lines must fit the height.
    int word = 0;
    for (const QString &w : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        word = qMax(word, fm.horizontalAdvance(w));
    if (word > room)
        return word - room;
    const int need = l->heightForWidth(l->width());
    if (need > l->height()) {
        height = true;
        return need - l->height();
    }
    return 0;
}

int buttonMissing(const QAbstractButton *b)
{
    const QString text = shownText(b->text());
    if (text.isEmpty())
        return 0;
    const QFontMetrics fm = b->fontMetrics();
    int need = textWidth(fm, text);
    if (auto *check = qobject_cast<const QCheckBox *>(b)) {
        QStyleOptionButton o;
        o.initFrom(check);
        o.text = check->text();
        const QRect r = check->style()->subElementRect(QStyle::SE_CheckBoxContents, &o, check);
        return need - (qMin(r.right() + 1, check->width()) - r.left());
    }
    if (auto *radio = qobject_cast<const QRadioButton *>(b)) {
        QStyleOptionButton o;
        o.initFrom(radio);
        o.text = radio->text();
        const QRect r = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, radio);
        return need - (qMin(r.right() + 1, radio->width()) - r.left());
    }
    if (auto *tool = qobject_cast<const QToolButton *>(b)) {
        if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
            return 0;
        if (tool->toolButtonStyle() == Qt::ToolButtonTextBesideIcon && !tool->icon().isNull())
            need += tool->iconSize().width() + 4;
        // The tool button draws its text inside its frame's margins.
        return need + 6 - tool->width();
    }
    if (auto *push = qobject_cast<const QPushButton *>(b)) {
        QStyleOptionButton o;
        o.initFrom(push);
        o.text = push->text();
        o.icon = push->icon();
        o.iconSize = push->iconSize();
        if (!o.icon.isNull())
            need += o.iconSize.width() + 4;
        const QRect r = push->style()->subElementRect(QStyle::SE_PushButtonContents, &o, push);
        return need - r.width();
    }
    return 0;
}

int groupMissing(const QGroupBox *g)
{
    if (g->title().isEmpty())
        return 0;
    QStyleOptionGroupBox o;
    o.initFrom(g);
    o.text = g->title();
    o.lineWidth = 1;
    o.midLineWidth = 0;
    o.textAlignment = g->alignment();
    o.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (g->isCheckable())
        o.subControls |= QStyle::SC_GroupBoxCheckBox;
    o.features = g->isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
    const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &o, QStyle::SC_GroupBoxLabel, g);
    const int need = label.left() + textWidth(g->fontMetrics(), shownText(g->title()));
    return need - g->width();
}

int comboMissing(const QComboBox *c, bool &popup)
{
    popup = false;
    QStyleOptionComboBox o;
    o.initFrom(c);
    o.editable = c->isEditable();
    o.currentText = c->currentText();
    const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c);
    const int current =
        c->currentText().isEmpty() ? 0 : textWidth(c->fontMetrics(), c->currentText()) - field.width();
    if (current > 0 && c->toolTip() != c->currentText())
        return current;
    // Entries show whole when the list opens.
    const int listRoom = qMax(c->width(), c->view()->minimumWidth());
    const int list = CaptionFit::popupWidthNeeded(c) - listRoom;
    if (list > 0) {
        popup = true;
        return list;
    }
    return 0;
}
// How far a widget reaches beyond the boxes that hold it (what they cut off), up to the
// window or the viewport of a scrolling view.
int cutByParents(const QWidget *w)
{
    QRect visible = w->rect();
    const QRect whole = visible;
    QPoint offset;
    for (const QWidget *p = w; p && !p->isWindow(); p = p->parentWidget()) {
        offset += p->pos();
        const QWidget *parent = p->parentWidget();
        if (!parent || qobject_cast<const QAbstractScrollArea *>(parent->parentWidget()))
            break;
        visible &= parent->rect().translated(-offset);
    }
    if (visible.isEmpty())
        return qMax(whole.width(), whole.height());
    return qMax(whole.width() - visible.width(), whole.height() - visible.height());
}
} // namespace

QString CaptionFit::Problem::toString() const
{
    return QStringLiteral("%1 \"%2\" lacks %3 px").arg(widget, text).arg(missing);
}

int CaptionFit::popupWidthNeeded(const QComboBox *box)
{
    const QFontMetrics fm = box->view()->fontMetrics();
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = qMax(widest, fm.horizontalAdvance(box->itemText(i)));
    if (widest == 0)
        return 0;
    // Item margins, the frame and room for a scroll bar when the list is long.
    const int frame = 2 * box->view()->frameWidth() + 12;
    const int bar = box->count() > box->maxVisibleItems()
                        ? box->view()->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                        : 0;
    return widest + frame + bar;
}

void CaptionFit::fitPopup(QComboBox *box)
{
    box->view()->setMinimumWidth(popupWidthNeeded(box));
    // Whatever width the layout gives the box later, its entry can be read whole.
    box->setToolTip(box->currentText());
}

QList<CaptionFit::Problem> CaptionFit::check(QWidget *root)
{
    QList<Problem> problems;
    QList<QWidget *> widgets{root};
    widgets += root->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (!w->isVisibleTo(root) || w->isWindow() != (w == root))
            continue;
        // Viewports of lists and the drop-down's own popup are looked at through their owner.
        if (w->inherits("QComboBoxPrivateContainer"))
            continue;
        QString text;
        int missing = 0;
        if (auto *l = qobject_cast<QLabel *>(w)) {
            bool height = false;
            missing = labelMissing(l, height);
            text = l->text();
            if (missing > 0 && !height && shortenedWithTooltip(l, l->text()))
                missing = 0;
        } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            missing = buttonMissing(b);
            text = b->text();
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            missing = groupMissing(g);
            text = g->title();
        } else if (auto *c = qobject_cast<QComboBox *>(w)) {
            bool popup = false;
            missing = comboMissing(c, popup);
            text = popup ? QStringLiteral("(open list) ") + c->currentText() : c->currentText();
        } else if (auto *t = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < t->count(); ++i) {
                const int m =
                    textWidth(t->fontMetrics(), shownText(t->tabText(i))) + 8 - t->tabRect(i).width();
                if (m > 0)
                    problems.append({pathOf(w), t->tabText(i), m});
            }
            continue;
        }
        if (missing <= 0 && !text.isEmpty()) {
            missing = cutByParents(w);
            if (missing > 0)
                text = QStringLiteral("(outside its box) ") + text;
        }
        if (missing > 0)
            problems.append({pathOf(w), text, missing});
    }
    return problems;
}
