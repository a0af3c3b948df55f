#include "main/DeviceDialogs.h"

#include "app/Messages.h"
#include "controls/SpinEdit.h"
#include "device/AddressChange.h"
#include "device/PinChange.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
QDialogButtonBox *okCancel(QDialog *d)
{
    auto *b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    b->button(QDialogButtonBox::Ok)->setText(Msg(188));
    b->button(QDialogButtonBox::Cancel)->setText(Msg(51));
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}
} // namespace

TAddrFrm::TAddrFrm(AddressChange &change, QWidget *parent) : QDialog(parent), m_change(change)
{
    setObjectName(QStringLiteral("TAddrFrm"));
    auto *g = new QGridLayout(this);
    m_currentCaption = new QLabel(this);
    m_current = new QLabel(this);
    m_newCaption = new QLabel(this);
    m_spin = new SpinEdit(AddressChange::Minimum, AddressChange::Maximum, this);
    m_spin->setValue(2);
    g->addWidget(m_currentCaption, 0, 0);
    g->addWidget(m_current, 0, 1);
    g->addWidget(m_newCaption, 1, 0);
    g->addWidget(m_spin, 1, 1);
    g->addWidget(okCancel(this), 2, 0, 1, 2);
    init_language();
}

void TAddrFrm::init_language()
{
    setWindowTitle(Msg(44));
    m_currentCaption->setText(Msg(46));
    m_newCaption->setText(Msg(47));
}

void TAddrFrm::prepare()
{
    const int current = m_change.currentAddress();
    m_current->setText(QString::number(current));
    m_spin->setValue(current);
    m_spin->setFocus();
}

void TAddrFrm::accept()
{
    m_change.Apply(m_spin->value());
    QDialog::accept();
}

TPinFrm::TPinFrm(PinChange &change, QWidget *parent) : QDialog(parent), m_change(change)
{
    setObjectName(QStringLiteral("TPinFrm"));
    auto *g = new QGridLayout(this);
    for (int i = 0; i < 3; ++i) {
        m_labels[i] = new QLabel(this);
        m_fields[i] = new QLineEdit(this);
        QLineEdit *f = m_fields[i];
        f->setMaxLength(8);
        f->setEchoMode(QLineEdit::Password);
        connect(f, &QLineEdit::textEdited, f, [f](const QString &t) {
            if (t != t.toUpper()) {
                const int pos = f->cursorPosition();
                f->setText(t.toUpper());
                f->setCursorPosition(pos);
            }
        });
        g->addWidget(m_labels[i], i, 0);
        g->addWidget(f, i, 1);
    }
    g->addWidget(okCancel(this), 3, 0, 1, 2);
    init_language();
}

void TPinFrm::init_language()
{
    setWindowTitle(Msg(45));
    m_labels[0]->setText(Msg(56));
    m_labels[1]->setText(Msg(57));
    m_labels[2]->setText(Msg(59));
}

void TPinFrm::prepare()
{
    for (QLineEdit *f : m_fields)
        f->clear();
    m_fields[0]->setFocus();
}

void TPinFrm::accept()
{
    const bool done = m_change.Apply(m_fields[0]->text(), m_fields[1]->text(), m_fields[2]->text());
    prepare();
    if (done)
        QDialog::accept();
}
