#include "stats/StatisticsPage.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigImage.h"
#include "config/IniFile.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"

namespace {

// Two hex digits as a byte value, -1 when they are not.
int codeValue(const QString &text)
{
    bool ok = false;
    const int v = text.toInt(&ok, 16);
    return ok && text.size() == 2 && v >= 0 && v <= 0xFF ? v : -1;
}

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

StatisticsPage::StatisticsPage(ConfigImage &image, Prompts &prompts, DeviceSession *session)
    : m_image(image), m_prompts(prompts), m_session(session)
{
    m_selection.fill(-1);
}

void StatisticsPage::loadCatalogue(const QString &rx30Path)
{
    const IniFile ini(rx30Path);
    const QString section = QStringLiteral("Statistic options");
    m_names = ini.keys(section);
    m_codes.clear();
    for (const QString &name : m_names) {
        const QString value = ini.readValue(section, name).trimmed();
        bool ok = false;
        const int v = value.toInt(&ok, 16);
        m_codes.append(ok && !value.isEmpty() && value.size() <= 2 && v >= 0 ? hex2(v) : QString());
    }
    m_selection.fill(m_names.isEmpty() ? -1 : 0);
}

QString StatisticsPage::optionCode(int index) const
{
    return m_codes.value(index);
}

int StatisticsPage::selection(int slot) const
{
    return validSlot(slot) ? m_selection[size_t(slot - 1)] : -1;
}

QString StatisticsPage::selectedName(int slot) const
{
    return m_names.value(selection(slot));
}

quint32 StatisticsPage::value(int slot) const
{
    return validSlot(slot) ? m_values[size_t(slot - 1)] : 0;
}

void StatisticsPage::chooseOption(int slot, int index)
{
    if (!validSlot(slot) || index < 0 || index >= m_names.size())
        return;
    if (m_selection[size_t(slot - 1)] != index)
        m_image.loadedSections |= ConfigImage::Statistics;
    m_selection[size_t(slot - 1)] = index;
}

QString StatisticsPage::optionsText() const
{
    return m_image.statisticOptions;
}

QString StatisticsPage::countersText() const
{
    return m_image.statisticCounters;
}

void StatisticsPage::statisticsDisplay()
{
    const QString &options = m_image.statisticOptions;
    const QString &counters = m_image.statisticCounters;
    for (int k = 1; k <= SlotCount; ++k) {
        const int stored = codeValue(options.mid(2 * (k - 1), 2));
        int chosen = m_names.isEmpty() ? -1 : 0;
        if (stored >= 0) {
            chosen = -1; // a code the catalogue lacks is kept, shown without selection
            for (int i = 0; i < m_codes.size(); ++i) {
                if (codeValue(m_codes[i]) == stored) {
                    chosen = i;
                    break;
                }
            }
        }
        m_selection[size_t(k - 1)] = chosen;
        bool ok = false;
        const quint32 v = counters.mid(6 * (k - 1), 6).toUInt(&ok, 16);
        m_values[size_t(k - 1)] = ok ? v : 0;
    }
}

void StatisticsPage::optionsUpdate()
{
    m_changed = 0;
    const QString current = m_image.statisticOptions;
    const bool comparable = current.size() == 2 * SlotCount;
    QString fresh;
    for (int k = 1; k <= SlotCount; ++k) {
        const int sel = m_selection[size_t(k - 1)];
        QString code;
        if (sel >= 0)
            code = m_codes.value(sel);
        else if (comparable && codeValue(current.mid(2 * (k - 1), 2)) >= 0)
            code = current.mid(2 * (k - 1), 2).toUpper();
        if (code.isEmpty())
            code = QStringLiteral("FF");
        fresh += code;
        if (comparable && codeValue(current.mid(2 * (k - 1), 2)) != codeValue(code))
            m_changed |= 1u << (k - 1);
    }
    m_image.statisticOptions = fresh;
}

bool StatisticsPage::statisticsRead()
{
    QByteArray options;
    if (!m_session || m_session->ReadBlock(OptionsAddress, SlotCount, options, 0x10) != DeviceSession::Done ||
        options.size() != SlotCount) {
        m_prompts.error(Msg(220));
        return false;
    }
    m_image.statisticOptions = CcTalkLink::BytesToHex(options);
    QByteArray counters;
    if (m_session->ReadBlock(CountersAddress, 3 * SlotCount, counters, 0x20) != DeviceSession::Done ||
        counters.size() != 3 * SlotCount) {
        m_prompts.error(Msg(220));
        return false;
    }
    m_image.statisticCounters = CcTalkLink::BytesToHex(counters);
    m_image.loadedSections |= ConfigImage::Statistics;
    statisticsDisplay();
    return true;
}

bool StatisticsPage::statisticsWrite()
{
    optionsUpdate();
    if (!m_session)
        return false;
    const int written =
        m_session->WriteBlock(OptionsAddress, CcTalkLink::HexToBytes(m_image.statisticOptions), 0x10);
    if (written != DeviceSession::Done) {
        // A refusal by the selector is reported; a refused access check has said its own.
        if (written == DeviceSession::Failed)
            m_prompts.error(Msg(131));
        return false;
    }
    for (int k = 1; k <= SlotCount; ++k) {
        if (!(m_changed & (1u << (k - 1))))
            continue;
        const quint16 address = static_cast<quint16>(CountersAddress + 3 * (k - 1));
        const int result = m_session->WriteBlock(address, QByteArray(1, '\x01'), 0x20);
        if (result == DeviceSession::Failed)
            m_prompts.error(Msg(122) + QString::number(k));
        if (result != DeviceSession::Done)
            return false;
    }
    return true;
}

bool StatisticsPage::writeButton()
{
    if (!statisticsWrite())
        return false;
    if (!m_session->CommitToNV()) {
        m_prompts.error(Msg(136));
        return false;
    }
    CcTalkLink::PumpDelay(120);
    statisticsRead();
    m_prompts.information(Msg(192));
    return true;
}
