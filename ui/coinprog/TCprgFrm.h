#pragma once

#include <QDialog>
#include <array>

class AcceptancePlot;
class CoinProgModel;
class NumEdit;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

// "Coins programming": the sample list, the buttons, the tolerance presets, the status and
// option controls, the channel list and the six parameter pairs, with a picture of each
// parameter's acceptance window. It shows CoinProgModel and forwards every click to it.
class TCprgFrm : public QDialog
{
    Q_OBJECT
public:
    TCprgFrm(CoinProgModel &model, QWidget *parent = nullptr);
    void init_language();
    // Reads everything the model shows.
    void refresh();

    CoinProgModel &model() const { return m_model; }
    QListWidget *sampleList() const { return m_list; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *clearButton() const { return m_clear; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *closeButton() const { return m_close; }
    QComboBox *presetList() const { return m_preset; }
    QComboBox *channelList() const { return m_channel; }
    QCheckBox *statusBox(int i) const { return m_status[size_t(i)]; }
    QComboBox *optionList(int i) const { return m_options[size_t(i)]; } // Dir., CVF, Mint, CC
    NumEdit *valueEdit() const { return m_value; }
    NumEdit *paramEdit(int i) const { return m_params[size_t(i)]; } // six centres, six tolerances
    AcceptancePlot *plot(int k) const { return m_plots[size_t(k)]; }
    QLabel *statusLine() const { return m_statusLine; }

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void editParam(int i);
    void editValue();
    void scrollToNewest();

    CoinProgModel &m_model;
    QListWidget *m_list;
    QPushButton *m_delete;
    QPushButton *m_clear;
    QPushButton *m_save;
    QPushButton *m_close;
    QLabel *m_presetLabel;
    QComboBox *m_preset;
    QGroupBox *m_statusGroup;
    QLabel *m_selLabel;
    QLabel *m_imageLabel;
    std::array<QCheckBox *, 4> m_status{}; // ccTalk, selective, fake, enabled
    QGroupBox *m_optionGroup;
    std::array<QComboBox *, 4> m_options{};
    NumEdit *m_value;
    QLabel *m_valueLabel;
    QLabel *m_chLabel;
    QComboBox *m_channel;
    QLabel *m_paramHeading;
    std::array<NumEdit *, 12> m_params{};
    std::array<AcceptancePlot *, 6> m_plots{};
    QLabel *m_statusLine;
};
