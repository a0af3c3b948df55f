#pragma once

// What the configuration file and transfer operations need from the statistics page. The
// page lives in the statistics subsystem, which builds on this one.
class StatisticsView
{
public:
    virtual ~StatisticsView() = default;
    // The slot lists into the statistic options text (and the changed-slots mask).
    virtual void optionsUpdate() = 0;
    // The two statistic texts into the twenty slots.
    virtual void statisticsDisplay() = 0;
    // Reads options and counters from the selector; reports "Reading error" itself.
    virtual bool statisticsRead() = 0;
};
