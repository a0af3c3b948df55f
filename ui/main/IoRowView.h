#pragma once

#include <QString>
#include <array>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QToolButton;
class QWidget;
class NumEdit;
class SpinEdit;

// The controls of one I/O line on the configuration page. Which of them are visible, and
// what they hold, comes from the I/O rules of the configuration model.
struct IoRowView
{
    static constexpr int Channels = 16;

    int line = 0; // 1..8: Output 1-6, In 2/Out 7, Input 1
    QLabel *caption = nullptr;
    QComboBox *functions = nullptr;
    QLabel *note = nullptr;
    SpinEdit *timeOn = nullptr;
    QLabel *timeOnUnit = nullptr;
    SpinEdit *timeOff = nullptr;
    QLabel *timeOffUnit = nullptr;
    NumEdit *value = nullptr;
    QComboBox *warning = nullptr;
    // "Directions" beside the check boxes of a sorter line, whose boxes are directions.
    QLabel *directions = nullptr;
    // channel[0] is channel 1; shown right to left so channel 16 is leftmost.
    std::array<QCheckBox *, Channels> channel{};
    QToolButton *level = nullptr;
    QToolButton *edge = nullptr;
    QLabel *impulsesCaption = nullptr; // "Imp." or "Div."
    NumEdit *impulses = nullptr;

    bool hasTimeOff() const { return line <= 7; }
    bool isInputLine() const { return line >= 7; }

    void build(int lineNumber, QWidget *parent, QGridLayout *grid, int row);
    // Sets a level or edge button's picture by its name ("B1I", "BUP", ...); "" hides it.
    static void setPicture(QToolButton *button, const QString &name);
};
