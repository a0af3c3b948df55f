#include "main/LogPage.h"

#include "app/Messages.h"
#include "device/CommLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
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
enum Role { DecodedRole = Qt::UserRole, DeltaRole, FaultRole };

// Rows are drawn by hand so the direction of each frame shows in its colour; the time since
// the line before and the decoding follow in columns of their own.
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
        const QFontMetrics fm(option.font);
        const QRect r = option.rect.adjusted(2, 0, 0, 0);
        p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
        const QString decoded = index.data(DecodedRole).toString();
        if (decoded.isEmpty())
            return;
        // A frame of sixteen data bytes fits the first column; longer typed commands push the rest on.
        const int deltaX = r.left() + std::max(fm.horizontalAdvance(QString(46, QLatin1Char('0'))),
                                               fm.horizontalAdvance(text) + fm.averageCharWidth());
        const int deltaWidth = fm.horizontalAdvance(QStringLiteral("+00000 ms"));
        p->setPen(selected ? option.palette.highlightedText().color() : QColor(Qt::darkGray));
        p->drawText(QRect(deltaX, r.top(), deltaWidth, r.height()), Qt::AlignRight | Qt::AlignVCenter,
                    index.data(DeltaRole).toString());
        const bool fault = index.data(FaultRole).toBool();
        p->setPen(selected ? option.palette.highlightedText().color()
                           : (fault ? QColor(0xB0, 0x50, 0x00) : QColor(Qt::black)));
        p->drawText(QRect(deltaX + deltaWidth + 2 * fm.averageCharWidth(), r.top(), r.width(), r.height()),
                    Qt::AlignLeft | Qt::AlignVCenter, decoded);
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
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setObjectName(QStringLiteral("logList"));

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("logFilter"));
    m_filter->setClearButtonEnabled(true);
    connect(m_filter, &QLineEdit::textChanged, this, &LogPage::applyFilter);
    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("logCopy"));
    connect(m_copy, &QPushButton::clicked, this, &LogPage::copySelected);

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

    for (int row = 0; row < m_log.count(); ++row)
        addRow(row);
    connect(&m_log, &CommLog::lineAdded, this, [this] {
        addRow(m_log.count() - 1);
        m_list->setCurrentRow(m_list->count() - 1, QItemSelectionModel::ClearAndSelect);
    });
    connect(&m_log, &CommLog::entryChanged, this, [this](int row) {
        if (QListWidgetItem *item = m_list->item(row))
            setRowData(item, m_log.entry(row));
    });
    connect(&m_log, &CommLog::firstLineRemoved, this, [this] { delete m_list->takeItem(0); });
    connect(&m_log, &CommLog::cleared, m_list, &QListWidget::clear);
    connect(&m_log, &CommLog::logToFileChanged, this, [this](bool on) {
        const QSignalBlocker block(m_toFile);
        m_toFile->setChecked(on);
    });

    auto *top = new QHBoxLayout;
    top->addWidget(m_filter, 1);
    top->addWidget(m_copy);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_terminal);
    bottom->addWidget(m_command, 1);
    bottom->addWidget(m_send);
    bottom->addSpacing(20);
    bottom->addWidget(m_clear);
    bottom->addWidget(m_toFile);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
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
    m_filter->setPlaceholderText(Msg(925));
    m_copy->setText(Msg(926));
    // The decoding is in the language of the moment it was made; new lines take the new one.
    m_list->viewport()->update();
}

void LogPage::setRowData(QListWidgetItem *item, const CommLogEntry &e)
{
    item->setData(DecodedRole, e.decoded);
    item->setData(DeltaRole, e.decoded.isEmpty() ? QString() : e.deltaText());
    item->setData(FaultRole, e.fault);
}

void LogPage::addRow(int row)
{
    const CommLogEntry &e = m_log.entry(row);
    auto *item = new QListWidgetItem(e.line);
    setRowData(item, e);
    m_list->addItem(item);
    if (!m_filter->text().isEmpty())
        item->setHidden(!e.matches(m_filter->text()));
}

void LogPage::applyFilter()
{
    const QString f = m_filter->text();
    for (int row = 0; row < m_list->count() && row < m_log.count(); ++row)
        m_list->item(row)->setHidden(!m_log.entry(row).matches(f));
}

QList<int> LogPage::copyRows() const
{
    QList<int> rows;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->isSelected() && !m_list->item(row)->isHidden())
            rows << row;
    if (rows.isEmpty())
        for (int row = 0; row < m_list->count(); ++row)
            if (!m_list->item(row)->isHidden())
                rows << row;
    return rows;
}

void LogPage::copySelected()
{
    QApplication::clipboard()->setText(m_log.textOf(copyRows()));
}

bool LogPage::rowShown(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item && !item->isHidden();
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
