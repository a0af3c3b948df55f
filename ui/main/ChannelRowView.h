#pragma once

#include <QObject>
#include <QString>
#include <array>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class NumEdit;
class QWidget;

// The controls of one coin channel on a channel page: six parameter/tolerance pairs,
// the four status boxes, sorter direction, value code, mint letter, country code and
// credit value. The row only shows what the channel record says; conversion and range
// checks belong to the record.
struct ChannelRowView
{
    static constexpr int Measurements = 6;

    int channel = 0;
    QLabel *number = nullptr;
    std::array<NumEdit *, Measurements> parameter{};
    std::array<NumEdit *, Measurements> tolerance{};
    QCheckBox *ccTalk = nullptr;
    QCheckBox *selective = nullptr;
    QCheckBox *fake = nullptr;
    QCheckBox *enabled = nullptr;
    QComboBox *direction = nullptr;
    QComboBox *valueCode = nullptr;
    QComboBox *mint = nullptr;
    QComboBox *country = nullptr;
    NumEdit *value = nullptr;

    // Puts the row's controls into grid row `row` of `grid`, children of `parent`.
    void build(int channelNumber, QWidget *parent, QGridLayout *grid, int row);
    void setEnabled(bool enabled);
    void setCountryCodes(const QString &codes8);
    // Sets the hint texts of the four boxes.
    void setHints(const QString &ccTalkHint, const QString &selHint, const QString &fakeHint,
                  const QString &enHint);
};
