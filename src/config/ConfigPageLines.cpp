// The eight I/O lines of the configuration page: showing and storing a line definition,
// assigning a function with its rules, and recognising the functions of loaded lines.
#include "config/ConfigPage.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigHex.h"

#include <QHash>

namespace {
const QString kOutputs = QStringLiteral("OUTPUTS");
const QString kInputs = QStringLiteral("INPUTS");

int kindOf(int byte1)
{
    return byte1 & 0x7F;
}

bool isWarningHead(const QString &head)
{
    return head == QLatin1String("0706") || head == QLatin1String("0786");
}

int clampByte(long value)
{
    return int(qBound(0L, value, 255L));
}
} // namespace

int ConfigPage::timeStep(int k) const
{
    const int kind = kindOf(m_image.lineByte(k, 1));
    // A zero step (small time base, missing multiplier) would divide by zero.
    if (kind == 0x04)
        return qMax(1, m_image.timeBaseFactor * m_ctl[TimeMultiplier]);
    if (kind == 0x05 || kind == 0x07)
        return qMax(1, m_image.timeBaseFactor);
    return 5;
}

bool ConfigPage::usesMultiplierUnit(int k) const
{
    const int code = m_image.lineByte(k, 0);
    const int kind = kindOf(m_image.lineByte(k, 1));
    return k < 7 && (code == 0x03 || code == 0x04) && (kind == 0x04 || kind == 0x07);
}

void ConfigPage::imageToLines()
{
    for (int k = 0; k < LineCount; ++k) {
        LineRow &row = m_rows[k];
        const int code = m_image.lineByte(k, 0);
        const int kind = kindOf(m_image.lineByte(k, 1));
        const QString flags = m_image.lineFlags(k);
        const bool seconds = kind == 0x04 || kind == 0x05 || kind == 0x07;
        row.timeOnStep = timeStep(k);
        row.timeOnMaximum = kind == 0x04 ? 65535 : 1275;
        row.timeOn = m_image.lineByte(k, 6) * row.timeOnStep;
        row.timeOnUnit = usesMultiplierUnit(k) ? paramUnit(TimeMultiplier) : seconds ? Msg(464) : Msg(465);
        row.timeOnVisible = flags.at(0) == QLatin1Char('Y');
        row.timeOff = k < 7 ? m_image.lineByte(k, 7) * 5 : 0;
        row.timeOffUnit = Msg(465);
        row.timeOffVisible = k < 7 && flags.at(1) == QLatin1Char('Y');
        row.sorter = false;
        if (k < 6) {
            row.valueVisible = code == 0x05 || code == 0x06;
            row.value = row.valueVisible ? m_image.lineByte(k, 2) : 0;
            const int mask = m_image.lineByte(k, 2) | (m_image.lineByte(k, 3) << 8);
            for (int ch = 0; ch < 16; ++ch)
                row.channels[ch] = !row.valueVisible && (mask & (1 << ch));
            row.channelsVisible = flags.at(2) == QLatin1Char('Y');
            row.warningVisible = isWarningHead(m_image.lineHead(k));
        } else {
            const int b1 = m_image.lineByte(k, 1);
            row.impulses = m_image.lineByte(k, 2);
            row.impulsesVisible = (code >> 4) == 0x8 && b1 >= 0x01 && b1 <= 0x84;
            row.impulsesCaption = code == 0x87 ? Msg(470) : Msg(143);
        }
        levelPictures(k);
    }
}

void ConfigPage::levelPictures(int k)
{
    LineRow &row = m_rows[k];
    const int b0 = m_image.lineByte(k, 0);
    const int b1 = m_image.lineByte(k, 1);
    row.levelVisible = m_image.lineHead(k) != QLatin1String("FFFF");
    if (k < 6) {
        row.levelPicture = (b1 & 0x80) ? QStringLiteral("B1I") : QStringLiteral("B0I");
        return;
    }
    static const QHash<int, QPair<QString, QString>> pictures = {
        {0x00, {"B1", ""}},     {0x01, {"B1P", "BUP"}}, {0x02, {"B1Z", "BDN"}}, {0x03, {"B03", "BUP"}},
        {0x04, {"B04", "BDN"}}, {0x80, {"B0", ""}},     {0x81, {"B0P", "BDN"}}, {0x82, {"B0Z", "BUP"}},
        {0x83, {"B83", "BDN"}}, {0x84, {"B84", "BUP"}}};
    const auto it = pictures.constFind(b1);
    if (it != pictures.constEnd()) {
        row.levelPicture = it->first;
        if (!it->second.isEmpty())
            row.edgePicture = it->second;
    }
    row.edgeVisible = row.levelVisible && (b0 & 0x80) && it != pictures.constEnd() && !it->second.isEmpty();
}

void ConfigPage::lineToImage(int k)
{
    const LineRow &row = m_rows[k];
    const int code = m_image.lineByte(k, 0);
    if (code == 0xFF)
        return; // an unassigned line is kept exactly as it is
    if (k < 6) {
        if (code == 0x05 || code == 0x06) {
            m_image.setLineByte(k, 2, row.value);
            m_image.setLineByte(k, 3, 0xFF);
        } else if (code <= 0x02) {
            int mask = 0;
            for (int ch = 0; ch < 16; ++ch)
                if (row.channels[ch])
                    mask |= 1 << ch;
            m_image.setLineByte(k, 2, mask & 0xFF);
            m_image.setLineByte(k, 3, mask >> 8);
        } else if (code == 0x07) {
            // A code the catalogue lacks stays as loaded until a warning is chosen.
            if (row.warningIndex >= 0 && row.warningIndex < m_warningNames.size())
                m_image.setLineByte(k, 2,
                                    rxByte(QStringLiteral("Warnings"), m_warningNames.at(row.warningIndex),
                                           QStringLiteral("FF")));
            m_image.setLineByte(k, 3, 0xFF);
        } else {
            m_image.setLineByte(k, 2, 0);
            m_image.setLineByte(k, 3, 0);
        }
    } else {
        m_image.setLineByte(k, 2, row.impulses);
    }
    const int step = timeStep(k);
    m_image.setLineByte(k, 6, clampByte(qRound(double(row.timeOn) / step)));
    m_image.setLineByte(k, 7, k < 7 ? clampByte(qRound(row.timeOff / 5.0)) : 0xFF);
}

void ConfigPage::linesToImage()
{
    for (int k = 0; k < LineCount; ++k)
        lineToImage(k);
}

void ConfigPage::warningsToWindow()
{
    for (int k = 0; k < 6; ++k) {
        m_rows[k].warningIndex = -1;
        for (int i = 0; i < m_warningNames.size(); ++i) {
            if (rxByte(QStringLiteral("Warnings"), m_warningNames.at(i), QStringLiteral("00")) ==
                m_image.lineByte(k, 2)) {
                m_rows[k].warningIndex = i;
                break;
            }
        }
    }
}

// ---------------------------------------------------------------- functions

void ConfigPage::mergeDip(const QList<int> &codes)
{
    if (codes.isEmpty())
        return;
    const bool onlyZero = codes == QList<int>{0};
    if (onlyZero && !m_allowedDip.isEmpty() && m_allowedDip != QList<int>{0})
        return;
    if (!onlyZero && m_allowedDip == QList<int>{0})
        m_allowedDip.clear();
    for (int c : codes)
        if (!m_allowedDip.contains(c))
            m_allowedDip.append(c);
}

void ConfigPage::recogniseFunctions()
{
    for (int p = 0; p < ConfigImage::ParamCount; ++p)
        m_image.setParamUsed(p, false);
    for (int k = 0; k < LineCount; ++k) {
        m_image.setLineFlags(k, QStringLiteral("NNNN"));
        m_rows[k].functionIndex = -1;
    }
    m_displayMask = 0;
    m_allowedDip.clear();
    const QStringList keys = paramKeys();
    const QStringList combined = m_outputs + m_inputs.mid(1);

    for (int k = 0; k < LineCount; ++k) {
        const int b0 = m_image.lineByte(k, 0);
        const int b1 = m_image.lineByte(k, 1);
        // The level and edge buttons change byte 1; the function stays the same.
        auto swapEdge = [](int b) {
            static const int swapped[] = {0, 2, 1, 4, 3};
            const int low = b & 0x0F;
            return low >= 1 && low <= 4 ? (b & 0xF0) | swapped[low] : b;
        };
        QStringList forms;
        for (int f : {b1, b1 ^ 0x80, swapEdge(b1), swapEdge(b1 ^ 0x80)})
            forms << ConfigHex::hex2(b0) + ConfigHex::hex2(f);
        // Input 1 offers only the input functions, the first one included.
        const QStringList &entries = k == 7 ? m_inputs : combined;
        for (int i = 0; i < entries.size(); ++i) {
            const QString section = (k == 7 || i > m_lastOutput) ? kInputs : kOutputs;
            const QString tmpl = ioTemplate(section, entries.at(i));
            if (!forms.contains(tmpl.left(4)))
                continue;
            const QString name = entries.at(i);
            m_rows[k].note = m_io.readValue(name, QStringLiteral("Note"));
            m_image.setLineFlags(k, tmpl.mid(16, 4));
            m_rows[k].functionIndex = i;
            for (int p = 0; p < ConfigImage::ParamCount; ++p) {
                const QString rule = m_io.readValue(name, keys.at(p), QStringLiteral("FFN"));
                if (rule.mid(2, 1).compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0)
                    m_image.setParamUsed(p, true);
            }
            m_displayMask |= ConfigHex::byteValue(
                                 m_io.readValue(name, QStringLiteral("display mask"), QStringLiteral("00"))) &
                             0x0F;
            mergeDip(ConfigHex::codeList(m_io.readValue(name, QStringLiteral("dip switches"))));
            break;
        }
        if (isWarningHead(m_image.lineHead(k)) && m_image.lineByte(k, 2) == 0xBF)
            m_image.setParamUsed(TimeOutWarning, true);
    }

    int sorterBits = 0;
    for (int k = 0; k < LineCount; ++k) {
        const QString head = m_image.lineHead(k);
        if (head == QLatin1String("0103") || head == QLatin1String("0183"))
            sorterBits |= m_image.lineByte(k, 2);
    }
    int count = 0;
    while (sorterBits >> count)
        ++count;
    m_image.setParam(SorterNum, count);
    m_ctl[SorterNum] = count;
}

QString ConfigPage::assignFunction(int k, const QString &section, const QString &name)
{
    const int line = k - 1;
    const QString tmpl = ioTemplate(section, name);
    const QByteArray bytes = ConfigHex::definition(tmpl.left(16));
    const int code = quint8(bytes.at(0));
    auto otherLineHas = [&](int c) {
        for (int j = 0; j < LineCount; ++j)
            if (j != line && m_image.lineByte(j, 0) == c)
                return true;
        return false;
    };

    if (m_io.readValue(name, QStringLiteral("Solo"), QStringLiteral("0")) == QLatin1String("1") &&
        otherLineHas(code))
        return Msg(322);
    for (int c : ConfigHex::codeList(m_io.readValue(name, QStringLiteral("Conflict"))))
        if (otherLineHas(c))
            return Msg(323);
    for (int c : ConfigHex::codeList(m_io.readValue(name, QStringLiteral("Must have"))))
        if (!otherLineHas(c))
            return Msg(324);
    if (line >= 6) {
        // An input that some output depends on stays.
        const int current = m_image.lineByte(line, 0);
        for (int i = 1; i < m_outputs.size(); ++i) {
            if (!ConfigHex::codeList(m_io.readValue(m_outputs.at(i), QStringLiteral("Must have")))
                     .contains(current))
                continue;
            const QString head = ioTemplate(kOutputs, m_outputs.at(i)).left(4);
            for (int j = 0; j < 7; ++j)
                if (m_image.lineHead(j) == head)
                    return Msg(325);
        }
    }

    ConfigImage next = m_image;
    const QStringList keys = paramKeys();
    for (int p = 0; p < ConfigImage::ParamCount; ++p) {
        const QString rule = m_io.readValue(name, keys.at(p), QStringLiteral("FFN"));
        const QString value = rule.left(2);
        if (value.compare(QLatin1String("FF"), Qt::CaseInsensitive) != 0) {
            next.setParam(p, ConfigHex::byteValue(value));
        }
        if (rule.mid(2, 1).compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0)
            next.setParamUsed(p, true);
    }
    next.setLine(line, bytes);
    next.setLineFlags(line, tmpl.mid(16, 4));
    next.loadedSections |= ConfigImage::Configuration;
    m_image = next;
    recogniseFunctions();
    paramsToWindow();
    imageToLines();
    warningsToWindow();
    sorterDisplay();
    m_rows[line].note = m_io.readValue(name, QStringLiteral("Note"));
    return QStringLiteral("OK");
}

bool ConfigPage::chooseFunction(int k, int index)
{
    if (k < 1 || k > LineCount || index < 0 || index >= m_rows[k - 1].functions.size())
        return false;
    const QString section = (k == 8 || (k == 7 && index > m_lastOutput)) ? kInputs : kOutputs;
    QString result;
    try {
        result = assignFunction(k, section, m_rows[k - 1].functions.at(index));
    } catch (const ConversionError &e) {
        fail(e);
        refresh();
        return false;
    }
    if (result != QLatin1String("OK")) {
        m_prompts.error(result);
        refresh();
        return false;
    }
    emit changed();
    return true;
}

void ConfigPage::chooseWarning(int k, int index)
{
    if (k < 1 || k > 6 || index < 0 || index >= m_warningNames.size())
        return;
    try {
        const int code = rxByte(QStringLiteral("Warnings"), m_warningNames.at(index), QStringLiteral("FF"));
        m_image.setLineByte(k - 1, 2, code);
        m_rows[k - 1].warningIndex = index;
        recogniseFunctions();
    } catch (const ConversionError &e) {
        fail(e);
    }
    refresh();
}

// ---------------------------------------------------------------- edits of a row

void ConfigPage::setTimeOn(int k, int shown)
{
    if (k < 1 || k > LineCount)
        return;
    LineRow &row = m_rows[k - 1];
    if (shown == row.timeOn) {
        emit changed();
        return;
    }
    row.timeOn = qBound(row.timeOnStep, shown, row.timeOnMaximum);
    try {
        lineToImage(k - 1);
        if (k <= 7)
            timerCheck();
    } catch (const ConversionError &e) {
        fail(e);
    }
    refresh();
}

void ConfigPage::setTimeOff(int k, int shown)
{
    if (k < 1 || k > 7)
        return;
    m_rows[k - 1].timeOff = qBound(0, shown, 1300);
    try {
        lineToImage(k - 1);
    } catch (const ConversionError &e) {
        fail(e);
    }
    refresh();
}

void ConfigPage::setLineValue(int k, int value)
{
    if (k < 1 || k > 6)
        return;
    m_rows[k - 1].value = qBound(0, value, 255);
    try {
        lineToImage(k - 1);
    } catch (const ConversionError &e) {
        fail(e);
    }
    refresh();
}

void ConfigPage::setLineChannel(int k, int channel, bool on)
{
    if (k < 1 || k > 6 || channel < 1 || channel > 16)
        return;
    m_rows[k - 1].channels[channel - 1] = on;
    try {
        lineToImage(k - 1);
    } catch (const ConversionError &e) {
        fail(e);
    }
    refresh();
}

void ConfigPage::setImpulses(int k, int count)
{
    if (k < 7 || k > 8)
        return;
    m_rows[k - 1].impulses = qBound(0, count, 255);
    try {
        lineToImage(k - 1);
    } catch (const ConversionError &e) {
        fail(e);
    }
    if (count != 1) {
        for (int j = 0; j < 7; ++j) {
            const QString head = m_image.lineHead(j);
            if (head == QLatin1String("0606") || head == QLatin1String("0686")) {
                m_prompts.information(Msg(166));
                break;
            }
        }
    }
    refresh();
}

void ConfigPage::toggleLevel(int k)
{
    if (k < 1 || k > LineCount || m_image.lineHead(k - 1) == QLatin1String("FFFF"))
        return;
    m_image.setLineByte(k - 1, 1, m_image.lineByte(k - 1, 1) ^ 0x80);
    refresh();
}

void ConfigPage::toggleEdge(int k)
{
    if (k < 7 || k > 8 || m_image.lineHead(k - 1) == QLatin1String("FFFF"))
        return;
    if (m_image.lineByte(k - 1, 0) & 0x80) {
        static const int swapped[] = {0, 2, 1, 4, 3};
        const int b1 = m_image.lineByte(k - 1, 1);
        const int low = b1 & 0x0F;
        if (low >= 1 && low <= 4)
            m_image.setLineByte(k - 1, 1, (b1 & 0xF0) | swapped[low]);
    }
    refresh();
}

void ConfigPage::setEditMode(bool on)
{
    m_editMode = on;
    emit changed();
}

bool ConfigPage::timeOnHeaderVisible() const
{
    for (const LineRow &row : m_rows)
        if (row.timeOnVisible)
            return true;
    return false;
}

bool ConfigPage::timeOffHeaderVisible() const
{
    for (const LineRow &row : m_rows)
        if (row.timeOffVisible)
            return true;
    return false;
}

bool ConfigPage::valueHeaderVisible() const
{
    for (const LineRow &row : m_rows)
        if (row.valueVisible)
            return true;
    return false;
}

bool ConfigPage::channelHeaderVisible() const
{
    for (const LineRow &row : m_rows)
        if (row.channelsVisible && !row.sorter)
            return true;
    return false;
}

bool ConfigPage::directionsHeaderVisible() const
{
    for (const LineRow &row : m_rows)
        if (row.sorter)
            return true;
    return false;
}
