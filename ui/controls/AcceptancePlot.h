#pragma once

#include <QList>
#include <QString>
#include <QWidget>

// One measured parameter of coin programming as a picture: each sample a dot, the computed
// centre with its acceptance band, and the bands of other channels in a muted colour. The
// scale follows the data so that a band a few units wide still shows.
class AcceptancePlot : public QWidget
{
    Q_OBJECT
public:
    struct Band
    {
        int channel;
        int low;
        int high;
    };

    explicit AcceptancePlot(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    // samples: the readings; centre < 0 when nothing is computed yet.
    // Bands of others that overlap the new one are outlined in a warning colour.
    void setData(const QList<int> &samples, int centre, int tolerance, const QList<Band> &others);
    QSize sizeHint() const override { return {150, 120}; }

    QString title() const { return m_title; }
    int centre() const { return m_centre; }
    int tolerance() const { return m_tolerance; }
    int sampleCount() const { return int(m_samples.size()); }
    int otherCount() const { return int(m_others.size()); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    QList<int> m_samples;
    int m_centre = -1;
    int m_tolerance = 0;
    QList<Band> m_others;
};
