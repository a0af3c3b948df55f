#pragma once

// ConfigPage: the headless state of the "Configuration " page and of the two channel pages.
//
// A window binds its controls to the getters below and forwards every user action to the
// matching method; it decides nothing itself. After every action (successful or not) the
// page emits changed(), and the window re-reads what it shows. Messages go through the
// Prompts given to the constructor; every text is a message number.
//
// Binding overview (lines are 1..8: Output 1..6, In 2/Out 7, Input 1; parameters are the
// byte indices of the common parameter block, see Param):
//   Version box     versionEntries(), versionIndex(); openVersionList() when the list drops
//                   down, chooseVersion(i); boxesVisible() for the four configuration boxes.
//   Parameters      paramValue(p), paramVisible(p), paramUnit(p); setParam(p, v).
//                   Time multiplier: paramValue(TimeMultiplier) with multiplierMinutes(),
//                   setParam(TimeMultiplier, v), setMultiplierMinutes(bool).
//                   Stop time: stopTimeVisible(), stopTimeMinimum(), paramUnit(StopTime).
//                   Fraud inhibit: paramValue(InhibitTime), paramUnit(InhibitTime).
//   DIP mode        dipEntries(), dipIndex(), dipVisible(); chooseDipMode(i).
//   Modes           autoprogText(), stopModeText() (read-only boxes).
//   I/O rows        line(k) returns a LineRow with every control of the row; editMode()
//                   shows the function lists and "Set as standard configuration";
//                   chooseFunction(k, i), chooseWarning(k, i), setTimeOn(k, v),
//                   setTimeOff(k, v), setLineValue(k, v), setLineChannel(k, ch, on),
//                   setImpulses(k, n), toggleLevel(k), toggleEdge(k); column headers:
//                   timeOnHeaderVisible(), timeOffHeaderVisible(), valueHeaderVisible(),
//                   channelHeaderVisible(), directionsHeaderVisible().
//   Sorter          sorterEntries(), sorterIndex(); chooseSorter(i), acceptSorter().
//   Display         displayTypes(), displayTypeIndex(), viewOptions(), viewIndex(),
//                   displayMultipliers(), displayMultiplierIndex(), decimals(),
//                   viewVisible(), multiplierVisible(); chooseDisplayType(i),
//                   chooseViewOption(i), setDisplayMultiplier(i), setDecimals(n).
//   Country codes   countryNames(), countryIndex(0..2); chooseCountry(list, i),
//                   acceptCountryCodes().
//   Channel pages   channels() (rows, CC labels) and channelsForEdit() for typed edits.
//   Store           storeStandardConfiguration() ("Set as standard configuration").
//   Statistics      statisticNames() fill the twenty slot lists.
//
// For loading and saving (files, transfers): image() is the configuration image. Before
// saving or writing call windowToImage() and rebuildCountryCodes(). After taking data in
// through imageForLoad() (and setModeByte()), call showCountryCodes() when country codes
// were loaded, recogniseVersion() when I/O lines were loaded, then imageToWindow().
// Catalogue text that is not hexadecimal ends the action with the conversion error shown;
// image text is checked by ConfigImage before anything is replaced.

#include "config/ChannelTable.h"
#include "config/ConfigHex.h"
#include "config/ConfigImage.h"
#include "config/IniFile.h"

#include <QObject>
#include <QStringList>
#include <array>

class Prompts;

// Everything the row of one I/O line shows.
struct LineRow
{
    QStringList functions; // the function list entries
    int functionIndex = -1;
    QString note;
    int timeOn = 0; // shown value (ms or s)
    int timeOnStep = 5;
    int timeOnMaximum = 1275;
    QString timeOnUnit;
    bool timeOnVisible = false;
    int timeOff = 0; // ms
    QString timeOffUnit;
    bool timeOffVisible = false;
    int value = 0; // pulse count of codes 05/06
    bool valueVisible = false;
    int warningIndex = -1;
    bool warningVisible = false;
    std::array<bool, 16> channels{};
    bool channelsVisible = false;
    bool sorter = false; // a sorter solenoid: "Directions" instead of channel numbers
    QString levelPicture;
    bool levelVisible = false;
    QString edgePicture;
    bool edgeVisible = false;
    int impulses = 0;
    bool impulsesVisible = false;
    QString impulsesCaption;
};

class ConfigPage : public QObject
{
    Q_OBJECT
public:
    enum Param {
        Credit,
        Bonus1Level,
        Bonus1Value,
        Bonus2Level,
        Bonus2Value,
        BonusTime,
        RestTime,
        StopTime,
        TimeOutWarning,
        TimeMultiplier,
        DipSwMode,
        MultVal,
        MultipriceMode,
        DisplayType,
        DispData,
        DispOptions,
        InhibitTime,
        SorterNum
    };
    static constexpr int LineCount = 8;

    ConfigPage(Prompts &prompts, QObject *parent = nullptr);

    // Start-up: reads rx30.ini and io.ini from dir, fills every list, then selects and
    // applies the first standard configuration. false when a catalogue value could not be
    // converted (the error was shown; lists filled so far keep their content).
    bool loadCatalogues(const QString &dir);
    QString rx30Path() const { return m_rx30.path(); }
    QString ioPath() const { return m_io.path(); }
    QString settingsPort() const { return m_port; }
    int settingsAddress() const { return m_address; }
    static QStringList paramKeys();

    // ---- image and the two directions
    const ConfigImage &image() const { return m_image; }
    ConfigImage &imageForLoad() { return m_image; }
    bool imageToWindow();
    // false when a value did not convert (the error was shown): the caller stops there.
    bool windowToImage();
    void applyConfiguration();
    void recogniseVersion();
    void recogniseFunctions();
    // Country codes from the three lists (a list without selection keeps its code).
    bool rebuildCountryCodes();
    void showCountryCodes();
    void setModeByte(int value);

    // ---- versions
    QStringList versionEntries() const { return m_versions; }
    int versionIndex() const { return m_versionIndex; }
    bool boxesVisible() const { return m_boxesVisible; }
    void openVersionList();
    void chooseVersion(int index);
    bool storeStandardConfiguration();

    // ---- common parameters
    int paramValue(int p) const;
    bool paramVisible(int p) const;
    QString paramUnit(int p) const;
    void setParam(int p, int value);
    bool multiplierMinutes() const { return m_minutes; }
    void setMultiplierMinutes(bool minutes);
    bool stopTimeVisible() const { return (m_image.modeByte & 0x0C) != 0; }
    int stopTimeMinimum() const { return m_stopTimeMin; }
    QString autoprogText() const;
    QString stopModeText() const;
    QStringList dipEntries() const { return m_dipNames; }
    int dipIndex() const { return m_dipIndex; }
    bool dipVisible() const { return !m_allowedDip.isEmpty(); }
    QList<int> allowedDipCodes() const { return m_allowedDip; }
    void chooseDipMode(int index);

    // ---- I/O lines
    const LineRow &line(int k) const { return m_rows.at(k - 1); }
    bool editMode() const { return m_editMode; }
    void setEditMode(bool on);
    bool chooseFunction(int k, int index);
    QString assignFunction(int k, const QString &section, const QString &name);
    void chooseWarning(int k, int index);
    void setTimeOn(int k, int shown);
    void setTimeOff(int k, int shown);
    void setLineValue(int k, int value);
    void setLineChannel(int k, int channel, bool on);
    void setImpulses(int k, int count);
    void toggleLevel(int k);
    void toggleEdge(int k);
    int displayMask() const { return m_displayMask; }
    bool timeOnHeaderVisible() const;
    bool timeOffHeaderVisible() const;
    bool valueHeaderVisible() const;
    bool channelHeaderVisible() const;
    bool directionsHeaderVisible() const;
    QStringList warningNames() const { return m_warningNames; }

    // ---- sorter
    QStringList sorterEntries() const { return m_sorters; }
    int sorterIndex() const { return m_sorterIndex; }
    void chooseSorter(int index);
    bool acceptSorter();

    // ---- display
    QStringList displayTypes() const { return m_displayTypes; }
    int displayTypeIndex() const { return m_displayIndex; }
    QStringList viewOptions() const { return m_viewOptions; }
    int viewIndex() const { return m_viewIndex; }
    static QStringList displayMultipliers();
    int displayMultiplierIndex() const { return m_dispMultIndex; }
    int decimals() const { return m_decimals; }
    bool viewVisible() const { return m_displayIndex > 0; }
    bool multiplierVisible() const;
    void chooseDisplayType(int index);
    void chooseViewOption(int index);
    void setDisplayMultiplier(int index);
    void setDecimals(int n);

    // ---- country codes
    QStringList countryNames() const { return m_countryNames; }
    int countryIndex(int list) const { return m_codeIndex.at(list); }
    void chooseCountry(int list, int index);
    bool acceptCountryCodes();

    // ---- channels and statistics
    const ChannelTable &channels() const { return m_channels; }
    ChannelTable &channelsForEdit() { return m_channels; }
    QStringList statisticNames() const { return m_statNames; }

signals:
    void changed();

private:
    // catalogue helpers; the hex ones throw ConversionError
    int rxByte(const QString &section, const QString &key, const QString &def) const;
    QByteArray catalogueDefinition(const QString &value) const;
    QString ioTemplate(const QString &section, const QString &name) const;
    void fail(const ConversionError &e);
    void loadLists();

    // parameters
    void paramsToWindow();
    void paramsToImage();
    void selectDipByByte();
    void bonusRule(int changed);
    bool timerLinePresent() const;
    void timerCheck();
    int timeStep(int k) const;
    bool usesMultiplierUnit(int k) const;

    // lines
    void linesToImage();
    void imageToLines();
    void lineToImage(int k);
    void levelPictures(int k);
    int lineIndexInCombined(int k, int index) const;
    void mergeDip(const QList<int> &codes);

    // sorter, display, country
    void sorterDisplay();
    void displayToWindow(int byte13);
    int displayByte() const;
    void fillViewOptions();
    void warningsToWindow();

    void refresh(); // imageToWindow with the error shown

    Prompts &m_prompts;
    IniFile m_rx30;
    IniFile m_io;
    ConfigImage m_image;
    ChannelTable m_channels;

    QString m_port = QStringLiteral("COM3");
    int m_address = 2;
    int m_stopTimeMin = 5;

    QStringList m_versions;
    int m_versionIndex = -1;
    bool m_boxesVisible = false;

    std::array<int, 18> m_ctl{};
    std::array<bool, 18> m_visible{};
    bool m_minutes = false;
    QStringList m_dipNames;
    int m_dipIndex = -1;
    QList<int> m_allowedDip;

    QStringList m_outputs;
    QStringList m_inputs;
    int m_lastOutput = -1;
    std::array<LineRow, LineCount> m_rows;
    QStringList m_warningNames;
    bool m_editMode = false;
    int m_displayMask = 0;

    QStringList m_sorters;
    int m_sorterIndex = -1;

    QStringList m_displayTypes;
    int m_displayIndex = -1;
    QStringList m_viewOptions;
    int m_viewIndex = -1;
    int m_viewValue = 0x0F;
    int m_dispMultIndex = 0;
    int m_decimals = 0;
    bool m_displayKept = false; // byte 13 as loaded until the user chooses a display
    int m_keptDisplayByte = 0xFF;

    QStringList m_countryNames;
    std::array<int, 3> m_codeIndex{{-1, -1, -1}};
    QStringList m_statNames;
};
