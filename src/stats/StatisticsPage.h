#pragma once

#include "files/StatisticsView.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

class ConfigImage;
class DeviceSession;
class Prompts;

// The "Statistics" page without its window: twenty slots, each an option list and a counter,
// over the statistic texts of the configuration image, and the page's "Read" and "Write".
//
// An option code that the catalogue lacks is kept as loaded: its slot shows no selection and
// the next options update writes the same code back, so its counter is not erased either.
class StatisticsPage : public StatisticsView
{
public:
    static constexpr int SlotCount = 20;
    static constexpr quint16 OptionsAddress = 0x07EA;
    static constexpr quint16 CountersAddress = 0x0800;

    // session may be null when no selector is in use (reading then fails).
    StatisticsPage(ConfigImage &image, Prompts &prompts, DeviceSession *session = nullptr);

    // The option names and codes of "Statistic options" in rx30.ini, in file order; every
    // slot then selects the first name.
    void loadCatalogue(const QString &rx30Path);
    QStringList optionNames() const { return m_names; }
    // The catalogue code of an option as two upper-case digits, "" when it has none usable.
    QString optionCode(int index) const;

    // Slots are 1..20.
    int selection(int slot) const;
    QString selectedName(int slot) const;
    quint32 value(int slot) const;
    // The user picks an option; a change marks the statistics as loaded.
    void chooseOption(int slot, int index);
    quint32 changedSlots() const { return m_changed; }

    QString optionsText() const;
    QString countersText() const;

    void optionsUpdate() override;
    void statisticsDisplay() override;
    bool statisticsRead() override;
    // The statistics write: options block, then the counters of slots whose option changed.
    bool statisticsWrite();
    // The page's "Write" button: write, commit, read back, report.
    bool writeButton();

    void setSession(DeviceSession *session) { m_session = session; }

private:
    bool validSlot(int slot) const { return slot >= 1 && slot <= SlotCount; }

    ConfigImage &m_image;
    Prompts &m_prompts;
    DeviceSession *m_session;
    QStringList m_names;
    QStringList m_codes; // normalised, "" when the catalogue value is not a byte
    std::array<int, SlotCount> m_selection{};
    std::array<quint32, SlotCount> m_values{};
    quint32 m_changed = 0;
};
