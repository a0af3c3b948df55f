#pragma once

#include "main/IoRowView.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class NumEdit;
class SpinEdit;
class WrapButton;

// The "Configuration " page: version choice, common parameters, I/O lines, sorter,
// display, other settings, country codes, DIP switch mode, fraud inhibit, autoprog and
// stop modes. A view only: the configuration model decides contents and visibility.
class ConfigPageView : public QWidget
{
    Q_OBJECT
public:
    // The common parameters that have their own edit box, in parameter-byte order.
    enum Param {
        Credit,
        Bonus1Level,
        Bonus1Value,
        Bonus2Level,
        Bonus2Value,
        BonusTime,
        RestTime,
        TimeoutWarning,
        TimeMultiplier,
        ParamCount
    };

    explicit ConfigPageView(QWidget *parent = nullptr);
    void init_language();

    QGroupBox *versionGroup = nullptr;
    QComboBox *versionList = nullptr;
    WrapButton *setStandard = nullptr;

    QGroupBox *commonGroup = nullptr;
    std::array<QLabel *, ParamCount> paramLabel{};
    std::array<NumEdit *, ParamCount> param{};
    std::array<QLabel *, ParamCount> paramUnit{};
    QComboBox *multiplierUnit = nullptr; // "m" / "s"

    QGroupBox *ioGroup = nullptr;
    QCheckBox *ioEdit = nullptr;
    std::array<IoRowView, 8> io;
    QLabel *ioTimeOnHeading = nullptr;
    QLabel *ioTimeOffHeading = nullptr;
    QLabel *ioValueHeading = nullptr;
    QLabel *ioChannelsHeading = nullptr;

    QGroupBox *sorterGroup = nullptr;
    QComboBox *sorterList = nullptr;
    QPushButton *sorterAccept = nullptr;

    QGroupBox *displayGroup = nullptr;
    QLabel *displayTypeLabel = nullptr;
    QComboBox *displayType = nullptr;
    QLabel *displayViewLabel = nullptr;
    QComboBox *displayView = nullptr;
    QLabel *decimalsLabel = nullptr;
    SpinEdit *decimals = nullptr;
    QLabel *multiplierLabel = nullptr;
    QComboBox *displayMultiplier = nullptr;

    QGroupBox *otherGroup = nullptr;
    QPushButton *addressButton = nullptr;
    QPushButton *pinButton = nullptr;

    QGroupBox *common2Group = nullptr;
    QLabel *inputMultiplierLabel = nullptr;
    NumEdit *inputMultiplier = nullptr;
    QLabel *multipriceLabel = nullptr;
    NumEdit *multiprice = nullptr;

    QGroupBox *countryGroup = nullptr;
    std::array<QComboBox *, 3> countryCode{};
    std::array<QLabel *, 3> countryLabel{};
    QPushButton *countryAccept = nullptr;

    QGroupBox *dipGroup = nullptr;
    QComboBox *dipMode = nullptr;

    QGroupBox *fraudGroup = nullptr;
    QLabel *fraudTimeLabel = nullptr;
    NumEdit *fraudTime = nullptr;
    QLabel *fraudUnit = nullptr;

    QGroupBox *autoprogGroup = nullptr;
    QLabel *autoprogMode = nullptr;
    QGroupBox *stopGroup = nullptr;
    QLabel *stopMode = nullptr;
    QLabel *stopTimeLabel = nullptr;
    NumEdit *stopTime = nullptr;
    QLabel *stopUnit = nullptr;

private:
    QGridLayout *m_commonGrid = nullptr;
    QWidget *buildIo();
    QWidget *buildCommon();
};
