#pragma once

#include <QObject>

class DownloadCompare;
class QCheckBox;
class QPushButton;
class QWidget;
class TParsFrm;

// Compare before Download in the section window: a "Compare with selector" button, the
// "Write only what changed" and "Verify after writing" boxes, and two columns beside each block with what the selector
// holds and what will be written, unchanged blocks greyed. Shown only while a Download runs;
// the rules are DownloadCompare's.
class CompareView : public QObject
{
    Q_OBJECT
public:
    CompareView(TParsFrm &window, DownloadCompare &model, QObject *parent = nullptr);

    // On for the section window of a Download (a fresh comparison), off otherwise.
    void setActive(bool on);
    bool isActive() const { return m_active; }
    void init_language();

    QPushButton *compareButton() const { return m_compare; }
    QCheckBox *onlyChangedBox() const { return m_onlyChanged; }
    QCheckBox *verifyBox() const { return m_verify; }
    // Reads the ticked blocks from the selector and shows them.
    void compareClick();

private:
    void fill();

    TParsFrm &m_window;
    DownloadCompare &m_model;
    QWidget *m_panel;
    QPushButton *m_compare;
    QCheckBox *m_onlyChanged;
    QCheckBox *m_verify;
    bool m_active = false;
};
