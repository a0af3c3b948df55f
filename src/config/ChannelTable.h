#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

// What the row of controls of one coin channel shows. Between a decode and the next
// encode the row is the channel's state; only the upper status bits live elsewhere.
struct ChannelRow
{
    // AM1, PH1, AM2, PH2, PI3, DIM parameters, then the six tolerances, as typed.
    std::array<QString, 12> boxes;
    QString value;          // "Val."
    bool ccTalk = false;    // checked: coin reported over ccTalk (status bit 3 clear)
    bool selective = false; // "Sel.": status bit 2
    bool enabled = false;   // "En.": status bit 0 clear
    bool fake = false;      // "Fake": status bit 1
    int direction = -1;     // "Dir." 0..8, -1 no path
    int cvf = -1;           // value code list index
    int mint = -1;          // mint letter list index
    int cc = -1;            // country code list index
    quint8 hiddenStatus = 0;
};

// The sixteen channel rows of the two channel pages and the conversions between a row
// and the 16-byte channel record stored in the selector at 0x0600 + 16 * (n - 1).
class ChannelTable
{
public:
    static constexpr int ChannelCount = 16;
    static constexpr int RecordSize = 16;

    ChannelTable();

    // Record (raw bytes) to row; a channel outside 1..16 or a record that is not 16
    // bytes long leaves every row untouched.
    void StringToChannel(int channel, const QByteArray &record);
    // Row to record. Empty for a channel outside 1..16, or when a box does not hold a
    // number 0..255 (then *error says why).
    QByteArray ChannelToString(int channel, QString *error = nullptr) const;

    const ChannelRow &row(int channel) const;
    // A row that was never read, opened or typed into: every box and the value are empty.
    // It carries no record, so nothing of it is saved or written.
    bool isBlank(int channel) const;
    int hiddenStatus(int channel) const { return row(channel).hiddenStatus; }

    // Edits as the user makes them. A box refuses a value above 255 (returns false, the
    // row keeps its text); an empty box is allowed while typing but fails the encode.
    bool setBox(int channel, int box, const QString &text);
    bool setValue(int channel, const QString &text);
    void setCcTalk(int channel, bool checked);
    void setSelective(int channel, bool checked);
    void setEnabled(int channel, bool checked);
    void setFake(int channel, bool checked);
    void setDirection(int channel, int index);
    void setCvf(int channel, int index);
    void setMint(int channel, int index);
    void setCc(int channel, int index);

    static QStringList cvfLabels();
    static QStringList mintLabels();
    static QStringList directionLabels();
    // The "CC" list entries: the four country codes; each row keeps its index.
    QStringList ccLabels() const { return m_ccLabels; }
    void setCountryCodes(const QString &codes);

    static QString channelAddress(int channel)
    {
        return QString::asprintf("0x%04X", 0x0600 + 16 * (channel - 1));
    }

private:
    static bool validChannel(int channel) { return channel >= 1 && channel <= ChannelCount; }
    static bool acceptableBox(const QString &text);
    std::array<ChannelRow, ChannelCount> m_rows;
    QStringList m_ccLabels;
};
