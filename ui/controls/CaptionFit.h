#pragma once

#include <QList>
#include <QString>

class QWidget;

// Finds captions that a window shows cut: labels, buttons, check boxes, group titles,
// list entries and tabs whose text needs more room than the widget gives it, measured with
// the widget's own font. A text shortened on purpose (a catalogue entry in a narrow list or
// note) passes when its whole text is the tooltip and, for a list, the open list is wide
// enough for every entry.
class CaptionFit
{
public:
    struct Problem
    {
        QString widget;  // class and object path from the window
        QString text;    // the caption as shown
        int missing = 0; // pixels it lacks (width, or height for wrapped texts)
        QString toString() const;
    };

    // Every visible widget under root (root itself included).
    static QList<Problem> check(QWidget *root);
    // The width the open list of a drop-down needs for its longest entry.
    static int popupWidthNeeded(const class QComboBox *box);
    // A drop-down's open list made wide enough for its longest entry, and its current entry
    // as tooltip: for lists whose entries come from catalogues and may be shortened.
    static void fitPopup(QComboBox *box);
};
