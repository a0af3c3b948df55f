#pragma once

#include <QLabel>
#include <functional>

// A label whose picture is drawn for its current size, so the logo and the product
// picture stay sharp and keep their proportions in any layout.
class PictureLabel : public QLabel
{
    Q_OBJECT
public:
    using Painter = std::function<QPixmap(const QSize &)>;
    explicit PictureLabel(Painter painter, const QSize &hint, QWidget *parent = nullptr);

    QSize sizeHint() const override { return m_hint; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    Painter m_painter;
    QSize m_hint;
};
