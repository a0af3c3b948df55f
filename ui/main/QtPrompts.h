#pragma once

#include "app/Prompts.h"

#include <QPointer>
#include <QWidget>

class TextEntryDlg;

// The desktop program's door to the user: Qt message boxes, the password and name
// dialogs, the file dialogs. Every box is modal to the main window.
class QtPrompts : public Prompts
{
public:
    explicit QtPrompts(QWidget *parent);
    ~QtPrompts() override;

    void error(const QString &text) override;
    void warning(const QString &text) override;
    void information(const QString &text) override;
    Answer confirm(const QString &text, Buttons buttons) override;
    bool password(const QString &caption, const Validator &validate, QString &result) override;
    bool inputText(const QString &caption, const QString &label, const Validator &validate,
                   QString &result) override;
    QString openFileName(const QString &caption, const QString &directory, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &directory, const QString &filter) override;

    TextEntryDlg *passwordDialog() const { return m_password; }
    TextEntryDlg *nameDialog() const { return m_name; }

private:
    QString title() const;
    QPointer<QWidget> m_parent;
    TextEntryDlg *m_password;
    TextEntryDlg *m_name;
};
