#pragma once

#include <QObject>
#include <array>

class ChannelPageView;
class ConfigPage;
class ConfigPageView;
class StatsPageView;

// Binds the configuration page and the two channel pages to the configuration model:
// every user action goes to the model, and after each change every control is filled
// again from the model's getters. No decision is taken here.
class ConfigBinder : public QObject
{
    Q_OBJECT
public:
    ConfigBinder(ConfigPage &model, ConfigPageView &view, const std::array<ChannelPageView *, 2> &channels,
                 StatsPageView &stats, QObject *parent = nullptr);

    void refreshAll();
    void refreshChannels();
    void refreshChannel(int channel);
    // The model's parameter shown by the view's parameter box i.
    static int modelParam(int viewParam);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindParameters();
    void bindLines();
    void bindOthers();
    void bindChannels();
    void refreshParameters();
    void refreshLines();
    void refreshOthers();
    void editParam(int modelParam, class NumEdit *edit);

    ConfigPage &m_model;
    ConfigPageView &m_view;
    std::array<ChannelPageView *, 2> m_channels;
    StatsPageView &m_stats;
    bool m_refreshing = false;
};
