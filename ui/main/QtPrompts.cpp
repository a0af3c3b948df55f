#include "main/QtPrompts.h"

#include "app/Messages.h"
#include "main/TextEntryDlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

QtPrompts::QtPrompts(QWidget *parent)
    : m_parent(parent), m_password(new TextEntryDlg(TextEntryDlg::Kind::Password, parent)),
      m_name(new TextEntryDlg(TextEntryDlg::Kind::Name, parent))
{
    m_password->setObjectName(QStringLiteral("TPasswordDlg"));
    m_name->setObjectName(QStringLiteral("TConfFrm"));
}

QtPrompts::~QtPrompts() = default;

QString QtPrompts::title() const
{
    return Msg(28);
}

// A wait cursor left over from a transfer must not hide the pointer over a message box.
namespace {
class CursorPause
{
public:
    CursorPause()
    {
        while (QApplication::overrideCursor()) {
            QApplication::restoreOverrideCursor();
            ++m_count;
        }
    }
    ~CursorPause()
    {
        for (int i = 0; i < m_count; ++i)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }

private:
    int m_count = 0;
};

// Texts carry file names and file contents: never let them be taken for markup.
void showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    CursorPause pause;
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
} // namespace

void QtPrompts::error(const QString &text)
{
    showBox(m_parent, QMessageBox::Critical, title(), text);
}

void QtPrompts::warning(const QString &text)
{
    showBox(m_parent, QMessageBox::Warning, title(), text);
}

void QtPrompts::information(const QString &text)
{
    showBox(m_parent, QMessageBox::Information, title(), text);
}

Prompts::Answer QtPrompts::confirm(const QString &text, Buttons buttons)
{
    CursorPause pause;
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::NoButton, m_parent);
    box.setTextFormat(Qt::PlainText);
    QAbstractButton *yes = nullptr, *no = nullptr, *ok = nullptr;
    if (buttons == Buttons::OkCancel) {
        ok = box.addButton(QMessageBox::Ok);
        ok->setText(Msg(188));
        box.addButton(QMessageBox::Cancel)->setText(Msg(51));
    } else {
        yes = box.addButton(QMessageBox::Yes);
        no = box.addButton(QMessageBox::No);
        if (buttons == Buttons::YesNoCancel)
            box.addButton(QMessageBox::Cancel)->setText(Msg(51));
    }
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (clicked && clicked == ok)
        return Answer::Ok;
    if (clicked && clicked == yes)
        return Answer::Yes;
    if (clicked && clicked == no)
        return Answer::No;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

bool QtPrompts::password(const QString &caption, const Validator &validate, QString &result)
{
    CursorPause pause;
    return m_password->ask(caption, QString(), validate, result);
}

bool QtPrompts::inputText(const QString &caption, const QString &label, const Validator &validate,
                          QString &result)
{
    CursorPause pause;
    return m_name->ask(caption, label, validate, result);
}

QString QtPrompts::openFileName(const QString &caption, const QString &directory, const QString &filter)
{
    CursorPause pause;
    return QFileDialog::getOpenFileName(m_parent, caption, directory, filter);
}

QString QtPrompts::saveFileName(const QString &caption, const QString &directory, const QString &filter)
{
    CursorPause pause;
    // The caller asks about overwriting the name it finally writes (its extension may change),
    // so the dialog does not ask a second time.
    return QFileDialog::getSaveFileName(m_parent, caption, directory, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}
