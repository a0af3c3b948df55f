#pragma once

#include <QWidget>

class AnalogTrace;

// The rolling trace under the analog readouts: the last minute of AM1..PI3 (0-2550 mV)
// and Vcc (0-40 V), one line each, newest at the right edge.
class AnalogTraceView : public QWidget
{
    Q_OBJECT
public:
    explicit AnalogTraceView(const AnalogTrace &trace, QWidget *parent = nullptr);
    void setCaption(const QString &text);
    QSize sizeHint() const override { return QSize(330, 130); }
    static QColor seriesColor(int series);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const AnalogTrace &m_trace;
    QString m_caption;
};
