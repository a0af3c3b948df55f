#pragma once

#include "main/ChannelRowView.h"

#include <QList>
#include <QWidget>

class QLabel;

// "Channels 1..8" or "Channels 9..16": a heading row and eight channel rows.
class ChannelPageView : public QWidget
{
    Q_OBJECT
public:
    ChannelPageView(int firstChannel, QWidget *parent = nullptr);

    int firstChannel() const { return m_first; }
    // Row i (0..7) shows channel firstChannel + i.
    ChannelRowView &row(int i) { return m_rows[i]; }
    const ChannelRowView &row(int i) const { return m_rows[i]; }
    void init_language();

private:
    int m_first;
    std::array<ChannelRowView, 8> m_rows;
    QList<QLabel *> m_headings;
    QLabel *m_chHeading = nullptr;
    QLabel *m_parHeading = nullptr;
    QLabel *m_valHeading = nullptr;
};
