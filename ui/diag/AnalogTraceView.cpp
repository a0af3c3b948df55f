#include "diag/AnalogTraceView.h"

#include "diag/AnalogTrace.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const char *const kNames[AnalogTrace::Series] = {"AM1", "PH1", "AM2", "PH2", "PI3", "Vcc"};
constexpr double kFullScale[AnalogTrace::Series] = {2550, 2550, 2550, 2550, 2550, 40};
} // namespace

AnalogTraceView::AnalogTraceView(const AnalogTrace &trace, QWidget *parent) : QWidget(parent), m_trace(trace)
{
    setMinimumSize(260, 100);
}

void AnalogTraceView::setCaption(const QString &text)
{
    m_caption = text;
    update();
}

QColor AnalogTraceView::seriesColor(int series)
{
    static const QColor colors[AnalogTrace::Series] = {QColor(200, 30, 30),  QColor(30, 120, 200),
                                                       QColor(230, 140, 0),  QColor(20, 150, 60),
                                                       QColor(140, 60, 180), QColor(60, 60, 60)};
    return colors[series];
}

void AnalogTraceView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = p.fontMetrics();
    const int top = 2 * fm.height() + 4;
    const QRectF plot = QRectF(rect()).adjusted(2, top, -2, -2);
    p.fillRect(plot, Qt::white);
    p.setPen(QColor(200, 200, 200));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(plot.left(), plot.top() + plot.height() * i / 4),
                   QPointF(plot.right(), plot.top() + plot.height() * i / 4));
    p.setPen(Qt::darkGray);
    p.drawRect(plot);

    // Legend: the caption, and below it each series' name in its colour.
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(2, fm.ascent() + 1, m_caption);
    int x = 2;
    for (int s = 0; s < AnalogTrace::Series; ++s) {
        p.setPen(seriesColor(s));
        const QString name = QString::fromLatin1(kNames[s]);
        p.drawText(x, fm.height() + fm.ascent() + 1, name);
        x += fm.horizontalAdvance(name) + 8;
    }

    const auto &samples = m_trace.samples();
    if (samples.isEmpty())
        return;
    const qint64 end = samples.last().ms;
    const auto at = [&](qint64 ms, int value, int series) {
        const double fx = 1.0 - double(end - ms) / double(AnalogTrace::SpanMs);
        const double fy = qBound(0.0, value / kFullScale[series], 1.0);
        return QPointF(plot.left() + fx * plot.width(), plot.bottom() - fy * plot.height());
    };
    for (int s = 0; s < AnalogTrace::Series; ++s) {
        QPainterPath path(at(samples.first().ms, samples.first().values[size_t(s)], s));
        for (const auto &sample : samples)
            path.lineTo(at(sample.ms, sample.values[size_t(s)], s));
        p.setPen(QPen(seriesColor(s), 1.5));
        p.drawPath(path);
    }
}
