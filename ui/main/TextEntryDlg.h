#pragma once

#include "app/Prompts.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// A one-field modal dialog whose OK keeps it open until the validator accepts the text;
// the validator's message is shown on top. The password dialog (masked, upper case) and
// the new-configuration-name dialog are both this.
class TextEntryDlg : public QDialog
{
    Q_OBJECT
public:
    enum class Kind { Password, Name };
    TextEntryDlg(Kind kind, QWidget *parent = nullptr);

    // Empties and focuses the field, then runs the dialog.
    bool ask(const QString &caption, const QString &label, const Prompts::Validator &validate,
             QString &result);
    // Where the validator's complaints go (a message box by default).
    void setComplaintSink(std::function<void(const Prompts::Verdict &)> sink)
    {
        m_complain = std::move(sink);
    }

    QLineEdit *field() const { return m_edit; }
    QLabel *label() const { return m_label; }

    void accept() override;

private:
    Kind m_kind;
    QLabel *m_label;
    QLineEdit *m_edit;
    Prompts::Validator m_validate;
    std::function<void(const Prompts::Verdict &)> m_complain;
};
