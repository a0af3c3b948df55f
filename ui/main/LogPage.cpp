#include "main/LogPage.h"

#include "app/Messages.h"
#include "device/CommLog.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {
// Rows are drawn by hand so the direction of each frame shows in its colour.
class LogRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        const QString text = index.data().toString();
        p->setPen(LogPage::lineColor(text));
        p->setFont(option.font);
        p->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 16);
    }
};
} // namespace

LogPage::LogPage(CommLog &log, QWidget *parent) : QWidget(parent), m_log(log)
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(13);
    m_list = new QListWidget(this);
    m_list->setFont(fixed);
    m_list->setItemDelegate(new LogRowDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setObjectName(QStringLiteral("logList"));

    m_command = new QLineEdit(this);
    m_command->setFont(fixed);
    m_command->setObjectName(QStringLiteral("commandField"));
    // Only hexadecimal digits get in; letters are made capitals as they are typed.
    m_command->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,520}")), this));
    connect(m_command, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (t != t.toUpper()) {
            const int pos = m_command->cursorPosition();
            m_command->setText(t.toUpper());
            m_command->setCursorPosition(pos);
        }
    });
    connect(m_command, &QLineEdit::returnPressed, this, &LogPage::SendCommandClick);
    m_send = new QPushButton(this);
    connect(m_send, &QPushButton::clicked, this, &LogPage::SendCommandClick);
    m_clear = new QPushButton(this);
    connect(m_clear, &QPushButton::clicked, this, &LogPage::ClearLogClick);
    m_terminal = new QCheckBox(this);
    m_terminal->setChecked(false);
    connect(m_terminal, &QCheckBox::toggled, this, &LogPage::updateTerminal);
    m_toFile = new QCheckBox(this);
    connect(m_toFile, &QCheckBox::clicked, this, &LogPage::LogToFileClick);

    for (const QString &line : m_log.lines())
        m_list->addItem(line);
    connect(&m_log, &CommLog::lineAdded, this, [this](const QString &line) {
        m_list->addItem(line);
        m_list->setCurrentRow(m_list->count() - 1);
    });
    connect(&m_log, &CommLog::firstLineRemoved, this, [this] { delete m_list->takeItem(0); });
    connect(&m_log, &CommLog::cleared, m_list, &QListWidget::clear);
    connect(&m_log, &CommLog::logToFileChanged, this, [this](bool on) {
        const QSignalBlocker block(m_toFile);
        m_toFile->setChecked(on);
    });

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_terminal);
    bottom->addWidget(m_command, 1);
    bottom->addWidget(m_send);
    bottom->addSpacing(20);
    bottom->addWidget(m_clear);
    bottom->addWidget(m_toFile);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);
    updateTerminal();
    init_language();
}

void LogPage::init_language()
{
    m_terminal->setText(Msg(284));
    m_send->setText(Msg(238));
    m_clear->setText(Msg(66));
    m_toFile->setText(Msg(174));
}

int LogPage::lineCount() const
{
    return m_list->count();
}

QString LogPage::lineAt(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item ? item->text() : QString();
}

QColor LogPage::lineColor(const QString &line)
{
    return line.startsWith(QLatin1String("<-")) ? QColor(Qt::blue) : QColor(Qt::red);
}

void LogPage::updateTerminal()
{
    const bool on = m_terminal->isChecked();
    m_command->setEnabled(on);
    m_send->setEnabled(on);
}

void LogPage::SendCommandClick()
{
    // Nothing goes out unless the terminal was switched on on purpose.
    if (!m_terminal->isChecked() || !m_command->isEnabled())
        return;
    const QString text = m_command->text().trimmed().toUpper();
    if (text.isEmpty())
        return;
    emit sendCommand(text);
    m_command->clear();
    // The page was locked during the exchange, which took the focus away from the field.
    if (m_command->isEnabled() && m_command->isVisible())
        m_command->setFocus();
}

void LogPage::ClearLogClick()
{
    m_log.ClearLog();
}

void LogPage::LogToFileClick(bool checked)
{
    m_log.setLogToFile(checked);
    const QSignalBlocker block(m_toFile);
    m_toFile->setChecked(m_log.logToFile());
}
