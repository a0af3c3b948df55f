#pragma once

#include "coinprog/CoinCalc.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>

class ChannelTable;
class DeviceSession;
class Prompts;

// What the coin programming window shows, as the window's own record conversion reads it.
struct CoinProgControls
{
    std::array<int, 12> params{}; // six centres, then six tolerances, 0..255
    bool ccTalk = true;           // checked: status bit 3 clear
    bool selective = false;       // status bit 2
    bool fake = false;            // status bit 1
    bool enabled = true;          // checked: status bit 0 clear
    int direction = 1;            // "Dir." 0..8, -1 no selection
    int cvf = 0;                  // -1 no selection
    int mint = 0;
    int cc = 0;
    int value = 1; // "Val." 0..255

    // Bits 4-6 of the status byte are always set and bit 7 cleared; a list without a
    // selection stores all ones in its field (255 for "Dir.").
    QByteArray toRecord() const;
    static CoinProgControls fromRecord(const QByteArray &record);
};

// The coin programming window without widgets: opening from the toolbar, the sample list
// fed by the 150 ms poll, the calculation, saving channels and closing with the commit.
// Only one selector exchange runs at a time: a click that arrives while a tick or another
// click waits for the selector is carried out when that exchange is over.
class CoinProgModel : public QObject
{
    Q_OBJECT
public:
    static constexpr int PollMs = 150;
    // A selector silent for this long while the window polls is taken as gone.
    static constexpr int SilenceMs = 5000;
    static constexpr int ChannelCount = 16;
    enum ListColour { Red, DarkGreen };

    CoinProgModel(DeviceSession &session, ChannelTable &channels, Prompts &prompts,
                  QObject *parent = nullptr);

    // "Coins prog." before the window shows: identification and the sixteen channels into
    // the main window's table. True when the window may open.
    bool openFromToolbar();
    // The window was shown / closed (any way out); closing twice does nothing more.
    void windowOpened();
    void windowClosed();
    bool isOpen() const { return m_open; }

    // --- what the window shows
    int channel() const { return m_channel; }
    const QStringList &samples() const { return m_samples; }
    bool unsavedSamples() const { return m_unsaved; }
    quint16 savedChannels() const { return m_savedMask; }
    int minimumSamples() const { return m_minSamples; }
    quint32 lastInsertionCount() const { return m_lastCount; }
    ListColour listColour() const { return m_colour; }
    int preset() const { return m_preset; }
    QStringList ccLabels() const { return m_ccLabels; }
    const CoinProgControls &controls() const { return m_controls; }
    bool polling() const { return m_timer.isActive(); }
    // True from master inhibit on until the selector acknowledged master inhibit off: a close
    // that could not reach the selector leaves it refusing every coin.
    bool inhibitMayBeOn() const { return m_inhibitHeld; }
    // Edits the user types into the option and parameter controls.
    CoinProgControls &controlsForEdit() { return m_controls; }

    // The acceptance windows of the other enabled channels for one parameter (0..5).
    struct Band
    {
        int channel;
        int low;
        int high;
    };
    QList<Band> otherBands(int parameter) const;
    // Enabled channels whose windows overlap the current one in all six parameters.
    QList<int> indistinguishableChannels() const;

    // --- user actions (each may wait for an exchange in progress)
    void channelListChanged(int index); // index 0..15 of the channel list
    void saveChannelClick();
    void deleteItems(const QList<int> &rows);
    void clearListClick();
    void presetChanged(int preset);
    void closeClick();

    // The poll timer's tick.
    void Timer1Timer();
    // The channel save; true when saved.
    bool channelsave();

signals:
    // Controls, list, channel or colour changed: the window reads everything again.
    void changed();
    void sampleAdded(const QString &line);
    // "Close" decided to close the window.
    void closeAccepted();
    // The selector has not answered a poll for SilenceMs.
    void selectorSilent();

private:
    void userAction(const std::function<void()> &action);
    void runDeferred();
    void closeNow();
    void channelChange();
    void calculate();
    bool masterInhibit(bool on);
    bool insertionCounter(quint32 &count);
    bool measurement(CoinCalc::Sample &values);
    bool databaseVersion(int &version);
    void startPolling();
    CoinProgControls recordOf(int channel) const;

    DeviceSession &m_session;
    ChannelTable &m_channels;
    Prompts &m_prompts;
    QTimer m_timer;
    int m_busy = 0;
    QList<std::function<void()>> m_deferred;

    bool m_open = false;
    bool m_loaded = false; // the opening read the insertion counter
    bool m_inhibitHeld = false;
    QElapsedTimer m_lastAnswer;
    int m_channel = 1;
    QStringList m_samples;
    bool m_unsaved = false;
    quint16 m_savedMask = 0;
    quint32 m_lastCount = 0;
    int m_minSamples = 0;
    int m_preset = CoinCalc::Middle;
    ListColour m_colour = Red;
    QStringList m_ccLabels;
    CoinProgControls m_controls;
};
