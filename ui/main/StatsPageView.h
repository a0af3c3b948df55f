#pragma once

#include <QWidget>
#include <array>

class QComboBox;
class QLabel;
class QPushButton;
class NumEdit;

// The "Statistics" page: twenty slots in two columns (option list and counter) with
// "Read", "Write" and "Export to XLS". A view: reading, writing and the option rules are
// the statistics model's.
class StatsPageView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Slots = 20;
    explicit StatsPageView(QWidget *parent = nullptr);
    void init_language();

    std::array<QComboBox *, Slots> option{};
    std::array<NumEdit *, Slots> value{};
    QPushButton *readButton = nullptr;
    QPushButton *writeButton = nullptr;
    QPushButton *exportButton = nullptr;

private:
    std::array<QLabel *, 2> m_setting{};
    std::array<QLabel *, 2> m_value{};
};
