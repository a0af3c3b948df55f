// Common parameters of the configuration page: controls, units, visibility and the rules
// between parameters (bonus levels, timer check, DIP switch mode).
#include "config/ConfigPage.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigHex.h"

void ConfigPage::paramsToWindow()
{
    for (int p = Credit; p <= TimeOutWarning; ++p)
        m_ctl[p] = m_image.param(p);
    m_ctl[TimeMultiplier] = m_image.param(TimeMultiplier) & 0x7F;
    m_minutes = m_image.param(TimeMultiplier) & 0x80;
    m_image.dipMode = m_image.param(DipSwMode);
    selectDipByByte();
    m_ctl[MultVal] = m_image.param(MultVal);
    m_ctl[MultipriceMode] = m_image.param(MultipriceMode);
    displayToWindow(m_image.param(DisplayType));
    m_dispMultIndex = m_image.param(DispData) >> 4;
    m_decimals = m_image.param(DispData) & 0x0F;
    m_ctl[DispOptions] = m_image.param(DispOptions);
    m_ctl[InhibitTime] = m_image.param(InhibitTime);
    m_ctl[SorterNum] = m_image.param(SorterNum);
    for (int p : {Credit, Bonus1Level, Bonus1Value, Bonus2Level, Bonus2Value, BonusTime, RestTime,
                  TimeOutWarning, TimeMultiplier, MultVal, MultipriceMode})
        m_visible[p] = m_image.paramUsed(p);
}

void ConfigPage::paramsToImage()
{
    for (int p = Credit; p <= TimeOutWarning; ++p)
        m_image.setParam(p, m_ctl[p]);
    m_image.setParam(TimeMultiplier, (m_ctl[TimeMultiplier] & 0x7F) | (m_minutes ? 0x80 : 0));
    m_image.setParam(DipSwMode, m_image.dipMode);
    m_image.setParam(MultVal, m_ctl[MultVal]);
    m_image.setParam(MultipriceMode, m_ctl[MultipriceMode]);
    m_image.setParam(DisplayType, displayByte());
    m_image.setParam(DispData, ((m_dispMultIndex & 0x0F) << 4) | (m_decimals & 0x0F));
    m_image.setParam(DispOptions, m_ctl[DispOptions]);
    m_image.setParam(InhibitTime, m_ctl[InhibitTime]);
    m_image.setParam(SorterNum, m_ctl[SorterNum]);
}

void ConfigPage::selectDipByByte()
{
    m_dipIndex = m_dipNames.isEmpty() ? -1 : 0;
    for (int i = 0; i < m_dipNames.size(); ++i) {
        if (rxByte(QStringLiteral("Dip switch modes"), m_dipNames.at(i), QStringLiteral("00")) ==
            m_image.param(DipSwMode)) {
            m_dipIndex = i;
            return;
        }
    }
}

int ConfigPage::paramValue(int p) const
{
    if (p < 0 || p >= ConfigImage::ParamCount)
        return 0;
    if (p == DipSwMode)
        return m_image.dipMode;
    if (p == DisplayType || p == DispData)
        return m_image.param(p);
    return m_ctl[p];
}

bool ConfigPage::paramVisible(int p) const
{
    switch (p) {
    case StopTime:
        return stopTimeVisible();
    case DipSwMode:
        return dipVisible();
    case InhibitTime:
        return true;
    case DisplayType:
    case DispData:
    case DispOptions:
    case SorterNum:
        return false;
    default:
        return p >= 0 && p < ConfigImage::ParamCount && m_visible[p];
    }
}

QString ConfigPage::paramUnit(int p) const
{
    switch (p) {
    case BonusTime:
    case RestTime:
    case TimeOutWarning:
        return Msg(464);
    case StopTime:
        return m_ctl[StopTime] == 255 ? Msg(106) : Msg(464);
    case InhibitTime:
        return m_ctl[InhibitTime] == 0 ? Msg(106) : m_ctl[InhibitTime] == 255 ? Msg(108) : Msg(464);
    case TimeMultiplier:
        return m_minutes ? Msg(466) : Msg(464);
    default:
        return QString();
    }
}

void ConfigPage::bonusRule(int changed)
{
    if (changed != Credit && changed != Bonus1Level && changed != Bonus2Level)
        return;
    if (m_ctl[Bonus1Level] < m_ctl[Credit])
        m_ctl[Bonus1Level] = m_ctl[Credit];
    if (m_ctl[Bonus2Level] < m_ctl[Bonus1Level])
        m_ctl[Bonus2Level] = m_ctl[Bonus1Level];
}

void ConfigPage::setParam(int p, int value)
{
    // Leaving a box the user did not change runs no rule and changes nothing.
    if (p >= 0 && p < ConfigImage::ParamCount && value == m_ctl[p]) {
        emit changed();
        return;
    }
    switch (p) {
    case Credit:
        m_ctl[p] = qBound(1, value, 255);
        break;
    case StopTime:
        m_ctl[p] = qBound(m_stopTimeMin, value, 255);
        break;
    case TimeMultiplier:
        m_ctl[p] = qBound(1, value, 127);
        break;
    case MultipriceMode:
        m_ctl[p] = qBound(0, value, 1);
        break;
    case DipSwMode:
    case DisplayType:
    case DispData:
        return; // set through their lists
    default:
        if (p < 0 || p >= ConfigImage::ParamCount)
            return;
        m_ctl[p] = qBound(0, value, 255);
    }
    bonusRule(p);
    try {
        paramsToImage();
        if (p == TimeMultiplier) {
            // Line times stay as stored; their shown values follow the new step.
            paramsToWindow();
            imageToLines();
            timerCheck();
        } else if (p == TimeOutWarning ||
                   ((p == Credit || p == Bonus1Level || p == Bonus2Level) && timerLinePresent())) {
            timerCheck();
        }
    } catch (const ConversionError &e) {
        fail(e);
    }
    refresh();
}

void ConfigPage::setMultiplierMinutes(bool minutes)
{
    m_minutes = minutes;
    try {
        paramsToImage();
    } catch (const ConversionError &e) {
        fail(e);
    }
    refresh();
}

bool ConfigPage::timerLinePresent() const
{
    for (int k = 0; k < 7; ++k) {
        const int kind = m_image.lineByte(k, 1) & 0x7F;
        if (kind == 0x04 || kind == 0x05 || kind == 0x07)
            return true;
    }
    return false;
}

// "Time out warning" must not outlast a timer output: a line of kind 04 runs its "Time On",
// a line of kind 05 runs "Time On" for every credit.
void ConfigPage::timerCheck()
{
    imageToLines();
    if (!m_visible[TimeOutWarning])
        return;
    const int warning = m_ctl[TimeOutWarning];
    int limit = -1;
    for (int kind : {0x04, 0x05}) {
        for (int k = 0; k < 7; ++k) {
            const LineRow &row = m_rows[k];
            if ((m_image.lineByte(k, 1) & 0x7F) != kind || !row.timeOnVisible)
                continue;
            // "Time out warning" is in seconds; a Time On shown in minutes is compared as seconds.
            const int seconds = row.timeOn * (usesMultiplierUnit(k) && m_minutes ? 60 : 1);
            const int allowed = kind == 0x04 ? seconds : seconds * m_ctl[Credit];
            if ((kind == 0x04 && warning > allowed) || (kind == 0x05 && allowed < warning))
                limit = qMin(allowed, 255);
        }
    }
    if (limit < 0)
        return;
    m_prompts.warning(Msg(27));
    m_ctl[TimeOutWarning] = limit;
    paramsToImage();
}

void ConfigPage::chooseDipMode(int index)
{
    if (m_versionIndex < 0 || index < 0 || index >= m_dipNames.size()) {
        m_dipIndex = m_dipNames.isEmpty() ? -1 : 0;
        emit changed();
        return;
    }
    try {
        const int code =
            rxByte(QStringLiteral("Dip switch modes"), m_dipNames.at(index), QStringLiteral("00"));
        if (!m_allowedDip.contains(code)) {
            m_prompts.error(Msg(171));
            m_dipIndex = 0;
            m_image.dipMode = 0;
        } else {
            m_dipIndex = index;
            m_image.dipMode = code;
        }
        paramsToImage();
    } catch (const ConversionError &e) {
        fail(e);
    }
    emit changed();
}
