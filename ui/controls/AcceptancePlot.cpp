#include "controls/AcceptancePlot.h"

#include <QPainter>
#include <algorithm>

AcceptancePlot::AcceptancePlot(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(120, 110);
}

void AcceptancePlot::setTitle(const QString &title)
{
    m_title = title;
    update();
}

void AcceptancePlot::setData(const QList<int> &samples, int centre, int tolerance, const QList<Band> &others)
{
    m_samples = samples;
    m_centre = centre;
    m_tolerance = tolerance;
    m_others = others;
    update();
}

void AcceptancePlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(frame, Qt::white);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(frame);

    const int textH = fontMetrics().height();
    const QRect area = frame.adjusted(4, textH + 2, -4, -textH - 2);

    // The range shown: the new channel's band and samples, with room around them; the
    // other channels' bands only where they come near.
    int lo = 255;
    int hi = 0;
    for (int v : m_samples) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (m_centre >= 0) {
        lo = std::min(lo, m_centre - m_tolerance);
        hi = std::max(hi, m_centre + m_tolerance);
    }
    if (lo > hi) {
        lo = 0;
        hi = 255;
    }
    const int margin = std::max(8, (hi - lo) / 2);
    lo = std::max(0, lo - margin);
    hi = std::min(255, hi + margin);
    if (hi - lo < 16) {
        hi = std::min(255, lo + 16);
        lo = std::max(0, hi - 16);
    }
    const auto x = [&](double v) { return area.left() + (v - lo) * area.width() / double(hi - lo); };

    for (const Band &b : m_others) {
        if (b.high < lo || b.low > hi)
            continue;
        const double x0 = x(std::max(b.low, lo) - 0.5);
        const double x1 = x(std::min(b.high, hi) + 0.5);
        const bool overlaps =
            m_centre >= 0 && b.high >= m_centre - m_tolerance && b.low <= m_centre + m_tolerance;
        p.fillRect(QRectF(x0, area.top(), x1 - x0, area.height()), QColor(200, 200, 210, 120));
        p.setPen(overlaps ? QColor(200, 120, 0) : QColor(150, 150, 165));
        p.drawRect(QRectF(x0, area.top(), x1 - x0, area.height()));
        p.drawText(QRectF(x0, area.bottom() - textH, x1 - x0, textH), Qt::AlignCenter,
                   QString::number(b.channel));
    }
    if (m_centre >= 0) {
        const double x0 = x(m_centre - m_tolerance - 0.5);
        const double x1 = x(m_centre + m_tolerance + 0.5);
        p.fillRect(QRectF(x0, area.top(), x1 - x0, area.height()), QColor(0, 160, 0, 50));
        p.setPen(QPen(QColor(0, 128, 0), 1.5));
        p.drawLine(QPointF(x(m_centre), area.top()), QPointF(x(m_centre), area.bottom()));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 200));
    const int n = int(m_samples.size());
    for (int i = 0; i < n; ++i) {
        // Spread over the height so repeated readings stay visible.
        const double y = area.top() + area.height() * (i + 0.5) / n;
        p.drawEllipse(QPointF(x(m_samples[i]), y), 2.5, 2.5);
    }

    p.setPen(Qt::black);
    const QString head = m_centre >= 0
                             ? QStringLiteral("%1  %2 \u00B1 %3").arg(m_title).arg(m_centre).arg(m_tolerance)
                             : m_title;
    p.drawText(frame.adjusted(4, 1, -4, 0), Qt::AlignLeft | Qt::AlignTop, head);
    p.setPen(QColor(100, 100, 100));
    p.drawText(frame.adjusted(4, 0, -4, -1), Qt::AlignLeft | Qt::AlignBottom, QString::number(lo));
    p.drawText(frame.adjusted(4, 0, -4, -1), Qt::AlignRight | Qt::AlignBottom, QString::number(hi));
}
