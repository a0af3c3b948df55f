#include "main/TextEntryDlg.h"

#include "app/Messages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

TextEntryDlg::TextEntryDlg(Kind kind, QWidget *parent) : QDialog(parent), m_kind(kind)
{
    auto *layout = new QVBoxLayout(this);
    m_label = new QLabel(this);
    m_edit = new QLineEdit(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Msg(188));
    buttons->button(QDialogButtonBox::Cancel)->setText(Msg(51));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TextEntryDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TextEntryDlg::reject);
    if (kind == Kind::Password) {
        m_edit->setEchoMode(QLineEdit::Password);
        m_edit->setObjectName(QStringLiteral("Password"));
        m_edit->setMaxLength(12);
        // Typed letters become capitals, as the selector's digits are upper-case hex.
        connect(m_edit, &QLineEdit::textEdited, this, [this](const QString &t) {
            const int pos = m_edit->cursorPosition();
            if (t != t.toUpper()) {
                m_edit->setText(t.toUpper());
                m_edit->setCursorPosition(pos);
            }
        });
    } else {
        m_edit->setMaxLength(64);
    }
    m_complain = [this](const Prompts::Verdict &v) {
        if (v.advice)
            QMessageBox::information(this, windowTitle(), v.text);
        else
            QMessageBox::critical(this, windowTitle(), v.text);
    };
    setMinimumWidth(280);
}

bool TextEntryDlg::ask(const QString &caption, const QString &label, const Prompts::Validator &validate,
                       QString &result)
{
    setWindowTitle(caption);
    m_label->setText(label);
    m_label->setVisible(!label.isEmpty());
    m_validate = validate;
    m_edit->clear();
    m_edit->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    result = m_kind == Kind::Password ? m_edit->text().toUpper() : m_edit->text();
    return true;
}

void TextEntryDlg::accept()
{
    const QString text = m_kind == Kind::Password ? m_edit->text().toUpper() : m_edit->text();
    const Prompts::Verdict problem = m_validate ? m_validate(text) : Prompts::Verdict();
    if (!problem.isEmpty()) {
        if (m_complain)
            m_complain(problem);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    QDialog::accept();
}
