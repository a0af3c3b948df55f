#pragma once

#include <QDialog>
#include <array>

class AddressChange;
class PinChange;
class QLabel;
class QLineEdit;
class SpinEdit;

// "ccTalk address": shows the current address and sends the new one (2..254).
class TAddrFrm : public QDialog
{
    Q_OBJECT
public:
    TAddrFrm(AddressChange &change, QWidget *parent = nullptr);
    void init_language();
    // Fills the window as its activation does.
    void prepare();
    SpinEdit *newAddress() const { return m_spin; }
    QLabel *currentAddress() const { return m_current; }

    void accept() override;

private:
    AddressChange &m_change;
    QLabel *m_currentCaption;
    QLabel *m_current;
    QLabel *m_newCaption;
    SpinEdit *m_spin;
};

// "PIN": current PIN, new PIN and its confirmation, 8 hex digits each, masked and
// forced to upper case. The checks are PinChange's.
class TPinFrm : public QDialog
{
    Q_OBJECT
public:
    TPinFrm(PinChange &change, QWidget *parent = nullptr);
    void init_language();
    void prepare();
    QLineEdit *field(int i) const { return m_fields[i]; }

    void accept() override;

private:
    PinChange &m_change;
    std::array<QLabel *, 3> m_labels{};
    std::array<QLineEdit *, 3> m_fields{};
};
