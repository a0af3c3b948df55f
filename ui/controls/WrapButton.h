#pragma once

#include <QPushButton>

class QLabel;

// A push button whose caption wraps over several lines when its width is too small for
// one, as long translated captions need.
class WrapButton : public QPushButton
{
    Q_OBJECT
public:
    explicit WrapButton(QWidget *parent = nullptr);

    void setCaption(const QString &text);
    QString caption() const;
    // Lines the caption takes at the current width.
    int lineCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

private:
    QLabel *m_label;
};
