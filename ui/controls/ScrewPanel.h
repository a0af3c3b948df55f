#pragma once

#include <QFrame>

// A raised panel with a screw head in each corner. The contents margins keep child
// layouts clear of the screws.
class ScrewPanel : public QFrame
{
    Q_OBJECT
public:
    explicit ScrewPanel(QWidget *parent = nullptr);

    static constexpr int ScrewSize = 9;
    // Where the screws are painted, in this widget's coordinates.
    QList<QRect> screwRects() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
