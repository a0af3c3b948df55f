// Sorter selection and display selection of the configuration page.
#include "config/ConfigPage.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigHex.h"

namespace {
const QStringList kSorterKeys = {"Out4", "Out5", "Out6"};

bool isSorterLine(const ConfigImage &image, int k)
{
    return (image.lineByte(k, 1) & 0x7F) == 0x03;
}
} // namespace

// ---------------------------------------------------------------- sorter

// Outputs 4..6 carrying a sorter solenoid are shown as sorter lines, and the sorter entry
// whose solenoids are exactly those lines is selected (the first when several are).
void ConfigPage::sorterDisplay()
{
    bool anySorter = false;
    for (int k = 3; k <= 5; ++k) {
        if (!isSorterLine(m_image, k))
            continue;
        anySorter = true;
        LineRow &row = m_rows[k];
        row.sorter = true;
        row.note = Msg(248);
        row.timeOnVisible = true;
        row.channelsVisible = true;
        row.timeOnUnit = Msg(465);
    }
    m_sorterIndex = -1;
    if (!anySorter)
        return;
    for (int s = 1; s < m_sorters.size(); ++s) {
        bool match = true;
        for (int o = 0; o < 3 && match; ++o) {
            const QString def = m_rx30.readValue(m_sorters.at(s), kSorterKeys.at(o)).toUpper();
            const QString line = m_image.lineText(3 + o).left(16);
            match = def.isEmpty() ? !isSorterLine(m_image, 3 + o) : def.left(16) == line;
        }
        if (match) {
            m_sorterIndex = s;
            return;
        }
    }
}

void ConfigPage::chooseSorter(int index)
{
    m_sorterIndex = (index >= 0 && index < m_sorters.size()) ? index : -1;
    emit changed();
}

bool ConfigPage::acceptSorter()
{
    if (m_sorterIndex < 0) {
        emit changed();
        return false;
    }
    const QString name = m_sorters.at(m_sorterIndex);
    const int selected = m_sorterIndex;
    QStringList defs;
    int number = 0;
    try {
        // A missing key is an unused output like an empty one; it must not overwrite the line.
        for (const QString &key : kSorterKeys) {
            QString def = m_rx30.readValue(name, key).toUpper();
            if (!def.isEmpty()) {
                ConfigHex::definition(def.left(16));
                def = def.left(16) + (def.size() >= 20 ? def.mid(16, 4) : QStringLiteral("YNNY"));
            }
            defs << def;
        }
        number = rxByte(QStringLiteral("Separators"), name, QStringLiteral("08"));
    } catch (const ConversionError &e) {
        fail(e);
        emit changed();
        return false;
    }
    for (int o = 0; o < 3; ++o) {
        const QString &def = defs.at(o);
        if (def.isEmpty() || def.mid(2, 2) != QLatin1String("03"))
            continue;
        const QString head = m_image.lineHead(3 + o);
        if (head != QLatin1String("FFFF") && head != QLatin1String("0103") && head != QLatin1String("0183")) {
            m_prompts.error(Msg(240));
            m_sorterIndex = m_sorters.isEmpty() ? -1 : 0;
            emit changed();
            return false;
        }
    }
    for (int k = 3; k <= 5; ++k) {
        if (isSorterLine(m_image, k)) {
            m_image.setLineText(k, QStringLiteral("FFFFFFFFFFFFFFFFNNNY"));
            m_rows[k].note.clear();
        }
    }
    for (int o = 0; o < 3; ++o) {
        if (defs.at(o).isEmpty())
            continue;
        m_image.setLineText(3 + o, defs.at(o));
        m_rows[3 + o].note = defs.at(o).startsWith(QLatin1String("0103")) ? Msg(248) : QString();
    }
    m_ctl[SorterNum] = number;
    m_image.setParam(SorterNum, number);
    m_image.loadedSections |= ConfigImage::Configuration;
    refresh();
    m_sorterIndex = selected;
    m_prompts.information(Msg(239));
    emit changed();
    return true;
}

// ---------------------------------------------------------------- display

QStringList ConfigPage::displayMultipliers()
{
    return {"No", "1", "2", "4", "5", "10", "20", "25", "50", "100", "200", "250", "500", "1000", "No", "No"};
}

bool ConfigPage::multiplierVisible() const
{
    return m_displayIndex > 0 && (m_viewIndex < 0 || (m_viewValue & 0x02));
}

// The view options of the chosen type: its keys without the last, which is "dsp_opt".
void ConfigPage::fillViewOptions()
{
    m_viewOptions.clear();
    if (m_displayIndex >= 0 && m_displayIndex < m_displayTypes.size()) {
        m_viewOptions = m_rx30.keys(m_displayTypes.at(m_displayIndex));
        if (!m_viewOptions.isEmpty())
            m_viewOptions.removeLast();
    }
    m_viewIndex = -1;
    m_viewValue = 0x0F;
}

// Byte 13: 0xFF no display; else the high digit t selects list entry t + 1 (t = 0 is the
// first real display type, as the writer produces it) and the low digit the view option.
// The loaded byte is kept until the user chooses a display, so every stored value,
// including one that selects no entry, is written back unchanged.
void ConfigPage::displayToWindow(int byte13)
{
    const int n = m_displayTypes.size();
    const int t = byte13 >> 4;
    m_displayKept = true;
    m_keptDisplayByte = byte13;
    if (byte13 != 0xFF && t <= n - 2)
        m_displayIndex = t + 1;
    else
        m_displayIndex = n > 0 ? 0 : -1;
    fillViewOptions();
    const int low = byte13 & 0x0F;
    if (m_displayIndex <= 0 || low < 1 || low > 14)
        return;
    const QString type = m_displayTypes.at(m_displayIndex);
    for (int i = 0; i < m_viewOptions.size(); ++i) {
        const int value = rxByte(type, m_viewOptions.at(i), QStringLiteral("0F"));
        if ((value & 0x0F) == low) {
            m_viewIndex = i;
            m_viewValue = value & 0x0F;
            return;
        }
    }
}

int ConfigPage::displayByte() const
{
    if (m_displayKept)
        return m_keptDisplayByte;
    if (m_displayIndex <= 0)
        return 0xFF;
    const QString key = m_viewIndex >= 0 ? m_viewOptions.at(m_viewIndex) : QStringLiteral("Not programmed");
    const int value = rxByte(m_displayTypes.at(m_displayIndex), key, QStringLiteral("FF"));
    return (((m_displayIndex - 1) & 0x0F) << 4) | (value & m_displayMask & 0x0F);
}

void ConfigPage::chooseDisplayType(int index)
{
    if (index < 0 || index >= m_displayTypes.size()) {
        emit changed();
        return;
    }
    try {
        if (m_displayMask == 0 && index > 0) {
            m_prompts.information(Msg(170));
            m_displayIndex = 0;
            fillViewOptions();
        } else {
            m_displayIndex = index;
            fillViewOptions();
            m_ctl[DispOptions] = ConfigHex::byteValue(
                m_rx30.readValue(m_displayTypes.at(index), QStringLiteral("dsp_opt"), QStringLiteral("FF"))
                    .left(2));
        }
        m_displayKept = false;
        paramsToImage();
    } catch (const ConversionError &e) {
        fail(e);
    }
    emit changed();
}

void ConfigPage::chooseViewOption(int index)
{
    if (m_displayIndex <= 0 || index < 0 || index >= m_viewOptions.size()) {
        emit changed();
        return;
    }
    try {
        const int value =
            rxByte(m_displayTypes.at(m_displayIndex), m_viewOptions.at(index), QStringLiteral("0F")) & 0x0F;
        m_viewIndex = index;
        m_viewValue = value;
        QStringList missing;
        const QList<QPair<int, int>> words = {{0x01, 89}, {0x02, 314}, {0x04, 297}};
        for (const auto &w : words)
            if ((value & w.first) && !(m_displayMask & w.first))
                missing << Msg(w.second);
        if (!missing.isEmpty())
            m_prompts.information(Msg(169) + missing.join(Msg(463)));
        m_displayKept = false;
        paramsToImage();
    } catch (const ConversionError &e) {
        fail(e);
    }
    emit changed();
}

void ConfigPage::setDisplayMultiplier(int index)
{
    m_dispMultIndex = qBound(0, index, 15);
    try {
        paramsToImage();
    } catch (const ConversionError &e) {
        fail(e);
    }
    emit changed();
}

void ConfigPage::setDecimals(int n)
{
    m_decimals = qBound(0, n, 3);
    try {
        paramsToImage();
    } catch (const ConversionError &e) {
        fail(e);
    }
    emit changed();
}
