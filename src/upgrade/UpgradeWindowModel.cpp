#include "upgrade/UpgradeWindowModel.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"

#include <QDir>
#include <QFileInfo>

const char *const UpgradeWindowModel::FileFilter = "Marvesti u record (*.u19)";

UpgradeWindowModel::UpgradeWindowModel(DeviceSession &session, Prompts &prompts, const QString &programDir,
                                       QObject *parent)
    : QObject(parent), m_session(session), m_prompts(prompts), m_sequence(session, prompts, programDir)
{
    FirmwareUpgrade &upgrade = m_sequence.upgrade();
    upgrade.progress = [this](int value, int maximum) {
        m_value = value;
        m_maximum = qMax(1, maximum);
        emit changed();
    };
    upgrade.status = [this](const QString &text) {
        m_status = text;
        emit changed();
    };
}

void UpgradeWindowModel::activate()
{
    m_fileChosen = false;
    emit changed();
}

bool UpgradeWindowModel::openFile()
{
    const QString start =
        m_fileLabel.isEmpty() ? m_session.programDir() : QFileInfo(m_fileLabel).absolutePath();
    const QString name = m_prompts.openFileName(Msg(191), start, QString::fromLatin1(FileFilter));
    if (name.isEmpty())
        return false;
    m_fileLabel = QDir::toNativeSeparators(name);
    m_fileChosen = true;
    emit changed();
    return true;
}

bool UpgradeWindowModel::start()
{
    if (!m_fileChosen) {
        m_prompts.error(Msg(190));
        return false;
    }
    m_running = true;
    emit changed();
    const UpgradeSequence::Result result = m_sequence.run(QDir::fromNativeSeparators(m_fileLabel));
    if (result == UpgradeSequence::Flashed)
        m_sequence.offerRestore();
    m_running = false;
    emit changed();
    // The window closes when done, and silently when the selector or its permission is missing.
    return result == UpgradeSequence::Flashed || result == UpgradeSequence::MonitorMissing ||
           result == UpgradeSequence::AccessRefused;
}

void UpgradeWindowModel::close()
{
    m_value = 0;
    m_session.link().SetBaud(9600);
    m_fileLabel.clear();
    m_status.clear();
    m_fileChosen = false;
    emit changed();
}
