#pragma once

#include <QDialog>
#include <array>

class ErasingModel;
class QCheckBox;
class QGroupBox;
class QPushButton;

// "Erasing": channel boxes 1-16 and statistic boxes 1-20, each group with "All", and
// "Erase". The boxes mirror ErasingModel, which erases.
class TErFrm : public QDialog
{
    Q_OBJECT
public:
    TErFrm(ErasingModel &model, QWidget *parent = nullptr);
    void init_language();
    void refresh();

    QCheckBox *channelBox(int n) const { return m_channels[n - 1]; }
    QCheckBox *statBox(int k) const { return m_stats[k - 1]; }
    QCheckBox *allChannels() const { return m_allChannels; }
    QCheckBox *allStats() const { return m_allStats; }
    QPushButton *eraseButton() const { return m_erase; }

private:
    ErasingModel &m_model;
    QGroupBox *m_channelGroup;
    QGroupBox *m_statGroup;
    std::array<QCheckBox *, 16> m_channels{};
    std::array<QCheckBox *, 20> m_stats{};
    QCheckBox *m_allChannels;
    QCheckBox *m_allStats;
    QPushButton *m_erase;
    QPushButton *m_close;
};
