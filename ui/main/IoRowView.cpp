#include "main/IoRowView.h"

#include "controls/LevelPictures.h"
#include "controls/NumEdit.h"
#include "controls/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

void IoRowView::build(int lineNumber, QWidget *parent, QGridLayout *grid, int row)
{
    line = lineNumber;
    caption = new QLabel(parent);
    grid->addWidget(caption, row, 0);

    // The function list takes the note's place while "Edit" is checked.
    auto *fn = new QWidget(parent);
    auto *fnl = new QHBoxLayout(fn);
    fnl->setContentsMargins(0, 0, 0, 0);
    functions = new QComboBox(fn);
    functions->setFixedWidth(200);
    functions->setObjectName(QStringLiteral("functions%1").arg(lineNumber));
    note = new QLabel(fn);
    note->setFixedWidth(200);
    fnl->addWidget(functions);
    fnl->addWidget(note);
    functions->hide();
    grid->addWidget(fn, row, 1);

    timeOn = new SpinEdit(0, 65535, parent);
    timeOn->setFixedWidth(66);
    timeOn->setObjectName(QStringLiteral("timeOn%1").arg(lineNumber));
    timeOnUnit = new QLabel(QStringLiteral("ms"), parent);
    timeOnUnit->setFixedWidth(22);
    grid->addWidget(timeOn, row, 2);
    grid->addWidget(timeOnUnit, row, 3);
    if (hasTimeOff()) {
        timeOff = new SpinEdit(0, 1300, parent);
        timeOff->setSingleStep(5);
        timeOff->setFixedWidth(60);
        timeOff->setObjectName(QStringLiteral("timeOff%1").arg(lineNumber));
        timeOffUnit = new QLabel(QStringLiteral("ms"), parent);
        timeOffUnit->setFixedWidth(22);
        grid->addWidget(timeOff, row, 4);
        grid->addWidget(timeOffUnit, row, 5);
    }
    if (!isInputLine()) {
        value = new NumEdit(parent, 3);
        value->setFixedWidth(34);
        grid->addWidget(value, row, 6);
        warning = new QComboBox(parent);
        warning->setFixedWidth(112);
        grid->addWidget(warning, row, 7);
        // Shares the warning's cell: a sorter line never has a warning.
        directions = new QLabel(parent);
        directions->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        directions->hide();
        grid->addWidget(directions, row, 7);
        auto *bank = new QWidget(parent);
        auto *bl = new QHBoxLayout(bank);
        bl->setContentsMargins(0, 0, 0, 0);
        bl->setSpacing(0);
        for (int c = Channels - 1; c >= 0; --c) {
            channel[c] = new QCheckBox(bank);
            channel[c]->setToolTip(QString::number(c + 1));
            channel[c]->setFixedWidth(16);
            bl->addWidget(channel[c]);
            if (c == 8)
                bl->addSpacing(6);
        }
        grid->addWidget(bank, row, 8);
    }
    level = new QToolButton(parent);
    level->setIconSize(QSize(28, 16));
    level->setFixedSize(34, 22);
    level->setObjectName(QStringLiteral("level%1").arg(lineNumber));
    grid->addWidget(level, row, 9);
    if (isInputLine()) {
        // Input lines have no channel boxes: their edge button and impulse count take
        // that place.
        auto *box = new QWidget(parent);
        auto *bl = new QHBoxLayout(box);
        bl->setContentsMargins(0, 0, 0, 0);
        bl->setSpacing(4);
        edge = new QToolButton(box);
        edge->setIconSize(QSize(28, 16));
        edge->setFixedSize(34, 22);
        edge->setObjectName(QStringLiteral("edge%1").arg(lineNumber));
        impulsesCaption = new QLabel(box);
        impulsesCaption->setObjectName(QStringLiteral("impulsesCaption%1").arg(lineNumber));
        impulses = new NumEdit(box, 3);
        impulses->setFixedWidth(34);
        impulses->setObjectName(QStringLiteral("impulses%1").arg(lineNumber));
        bl->addWidget(edge);
        bl->addWidget(impulsesCaption);
        bl->addWidget(impulses);
        bl->addStretch(1);
        grid->addWidget(box, row, 8);
    }
}

void IoRowView::setPicture(QToolButton *button, const QString &name)
{
    if (!button)
        return;
    if (name.isEmpty()) {
        button->hide();
        return;
    }
    const QPixmap pm = LevelPictures::picture(name, QSize(28, 16));
    if (pm.isNull())
        return; // an unknown form keeps the picture it had
    button->setIcon(QIcon(pm));
    button->setProperty("pictureName", name);
    button->show();
}
