#include "config/ConfigPage.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ConfigHex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kSettings = QStringLiteral("SETTINGS");
const QString kConfigurations = QStringLiteral("Configurations");
const QStringList kLineKeys = {"Output1", "Output2", "Output3", "Output4",
                               "Output5", "Output6", "In2Out7", "Input1"};
} // namespace

ConfigPage::ConfigPage(Prompts &prompts, QObject *parent) : QObject(parent), m_prompts(prompts)
{
    m_ctl[StopTime] = m_stopTimeMin;
}

QStringList ConfigPage::paramKeys()
{
    return {"Credit",       "Bonus1lev",    "Bonus1val",       "Bonus2lev",        "Bonus2val",
            "Bonus time",   "Rest time",    "Stop time",       "Time out warning", "Time multiplyer",
            "DIP sw mode",  "Mult val",     "Multiprice mode", "Display type",     "Disp data",
            "Disp options", "Inhibit time", "sorter num"};
}

int ConfigPage::rxByte(const QString &section, const QString &key, const QString &def) const
{
    return ConfigHex::byteValue(m_rx30.readValue(section, key, def));
}

// A line definition from a catalogue: empty means unassigned; flags are not part of it.
QByteArray ConfigPage::catalogueDefinition(const QString &value) const
{
    if (value.isEmpty())
        return QByteArray(8, char(0xFF));
    return ConfigHex::definition(value.left(16));
}

// The function template: 16 hex digits and four flags, checked before use.
QString ConfigPage::ioTemplate(const QString &section, const QString &name) const
{
    QString t = m_io.readValue(section, name, QStringLiteral("FFFFFFFFFFFFFFFFNNNN")).toUpper();
    if (t.isEmpty())
        t = QStringLiteral("FFFFFFFFFFFFFFFFNNNN");
    if (t.size() < 16 || !ConfigHex::isHex(t.left(16)))
        throw ConversionError{t};
    QString flags = t.mid(16, 4);
    for (const QChar c : flags)
        if (c != QLatin1Char('Y') && c != QLatin1Char('N'))
            throw ConversionError{t};
    return t.left(16) + flags.leftJustified(4, QLatin1Char('N'));
}

void ConfigPage::fail(const ConversionError &e)
{
    m_prompts.error(conversionErrorText(e));
}

bool ConfigPage::loadCatalogues(const QString &dir)
{
    m_rx30.setPath(QDir(dir).filePath(QStringLiteral("rx30.ini")));
    m_io.setPath(QDir(dir).filePath(QStringLiteral("io.ini")));
    try {
        loadLists();
    } catch (const ConversionError &e) {
        fail(e);
        emit changed();
        return false;
    }
    m_versionIndex = m_versions.isEmpty() ? -1 : 0;
    applyConfiguration();
    // The first standard configuration only fills the page: nothing has been read, opened or
    // typed yet, so nothing may be saved or written until the user loads or chooses something.
    m_image.loadedSections &= ~ConfigImage::Configuration;
    emit changed();
    return true;
}

void ConfigPage::loadLists()
{
    m_versions = m_rx30.keys(kConfigurations);
    m_sorters = m_rx30.keys(QStringLiteral("Separators"));
    m_sorterIndex = -1;
    m_displayTypes = m_rx30.keys(QStringLiteral("Displays"));
    m_displayIndex = m_displayTypes.isEmpty() ? -1 : 0;
    m_countryNames = m_rx30.keys(QStringLiteral("Country Codes"));
    m_dipNames = m_rx30.keys(QStringLiteral("Dip switch modes"));
    m_dipIndex = m_dipNames.isEmpty() ? -1 : 0;
    m_statNames = m_rx30.keys(QStringLiteral("Statistic options"));

    m_image.setCountryCodes(QStringLiteral("........"));
    showCountryCodes();

    m_stopTimeMin = rxByte(kSettings, QStringLiteral("Stop time min"), QStringLiteral("05"));
    m_ctl[StopTime] = m_stopTimeMin;
    m_address = rxByte(kSettings, QStringLiteral("ccTalkAddr"), QStringLiteral("02"));
    m_port = m_rx30.readValue(kSettings, QStringLiteral("ComPort"), QStringLiteral("COM3"));

    m_warningNames = m_rx30.keys(QStringLiteral("Warnings"));
    for (int k = 0; k < 6; ++k)
        m_rows[k].warningIndex = m_warningNames.isEmpty() ? -1 : 0;

    m_outputs = m_io.keys(QStringLiteral("OUTPUTS"));
    m_inputs = m_io.keys(QStringLiteral("INPUTS"));
    m_lastOutput = m_outputs.size() - 1;
    for (int k = 0; k < 6; ++k)
        m_rows[k].functions = m_outputs;
    m_rows[6].functions = m_outputs + m_inputs.mid(1);
    m_rows[7].functions = m_inputs;
}

// ---------------------------------------------------------------- versions

void ConfigPage::openVersionList()
{
    const QString custom = Msg(460);
    const QString chosen = m_versionIndex >= 0 ? m_versions.at(m_versionIndex) : QString();
    m_versions.removeAll(custom);
    // The index follows its entry: entries after a removed "Custom" move up.
    m_versionIndex = chosen == custom ? -1 : m_versions.indexOf(chosen);
    emit changed();
}

void ConfigPage::chooseVersion(int index)
{
    m_versionIndex = (index >= 0 && index < m_versions.size()) ? index : -1;
    applyConfiguration();
}

void ConfigPage::applyConfiguration()
{
    if (m_versionIndex < 0) {
        m_boxesVisible = false;
        m_image.loadedSections &= ~ConfigImage::Configuration;
        m_dipIndex = m_dipNames.isEmpty() ? -1 : 0;
        emit changed();
        return;
    }
    m_boxesVisible = true;
    m_image.loadedSections |= ConfigImage::Configuration;
    const QString name = m_versions.at(m_versionIndex);
    // "Custom" stands for the configuration loaded last: it has no section to apply.
    if (m_versions.isEmpty() || !m_rx30.exists() || (name == Msg(460) && !m_rx30.hasSection(name))) {
        emit changed();
        return;
    }
    try {
        const int timeBase = ConfigHex::wordValue(
            m_rx30.readValue(kSettings, QStringLiteral("Time base"), QStringLiteral("0096")));
        ConfigImage next = m_image;
        for (int k = 0; k < LineCount; ++k)
            next.setLine(k, catalogueDefinition(m_rx30.readValue(name, kLineKeys.at(k))));
        const QStringList keys = paramKeys();
        for (int p = 0; p < ConfigImage::ParamCount; ++p)
            next.setParam(p, rxByte(name, keys.at(p), QStringLiteral("00")));
        next.timeBaseFactor = qRound(timeBase / 150.0);
        m_image = next;
        recogniseFunctions();
    } catch (const ConversionError &e) {
        fail(e);
        emit changed();
        return;
    }
    refresh();
}

void ConfigPage::recogniseVersion()
{
    for (LineRow &row : m_rows)
        row.note.clear();
    const QString custom = Msg(460);
    int found = -1;
    for (int v = 0; v < m_versions.size() && found < 0; ++v) {
        if (m_versions.at(v) == custom)
            continue;
        bool match = true;
        for (int k = 0; k < LineCount && match; ++k) {
            // A sorter solenoid on Output 4..6 does not make a configuration different.
            if (k >= 3 && k <= 5 && (m_image.lineByte(k, 1) & 0x7F) == 0x03)
                continue;
            const QString def = m_rx30.readValue(m_versions.at(v), kLineKeys.at(k));
            const QString head = def.isEmpty() ? QStringLiteral("FFFF") : def.left(4).toUpper();
            match = head == m_image.lineHead(k);
        }
        if (match)
            found = v;
    }
    if (found < 0) {
        m_versions.append(custom);
        found = m_versions.size() - 1;
    }
    m_versionIndex = found;
    m_boxesVisible = true;
    try {
        recogniseFunctions();
    } catch (const ConversionError &e) {
        fail(e);
    }
    emit changed();
}

bool ConfigPage::storeStandardConfiguration()
{
    if (m_prompts.confirm(Msg(144), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
        return false;
    const QStringList sections = m_rx30.sections();
    const QString custom = Msg(460);
    auto validate = [&](const QString &name) -> Prompts::Verdict {
        if (name.isEmpty())
            return Prompts::Verdict(Msg(279), true); // advice: no name typed yet
        if (name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']')) ||
            name.contains(QLatin1Char('=')) || name.trimmed() != name)
            return Msg(468);
        if (m_versions.contains(name, Qt::CaseInsensitive) || sections.contains(name, Qt::CaseInsensitive) ||
            name.compare(custom, Qt::CaseInsensitive) == 0)
            return Msg(278);
        return QString();
    };
    QString name;
    if (!m_prompts.inputText(Msg(276), Msg(277), validate, name) || !validate(name).isEmpty())
        return false;
    if (!windowToImage())
        return false; // the conversion error was shown; nothing is stored

    QFile file(m_rx30.path());
    if (!file.open(QIODevice::Append) || file.write(QByteArray(7, '\n')) != 7) {
        m_prompts.error(Msg(467) + m_rx30.path());
        return false;
    }
    file.close();
    // The section first: a failed write never lists a configuration that has none.
    const QStringList keys = paramKeys();
    bool ok = true;
    for (int k = 0; k < LineCount && ok; ++k)
        ok = m_rx30.writeValue(name, kLineKeys.at(k), ConfigHex::hexBytes(m_image.line(k)));
    for (int p = 0; p < ConfigImage::ParamCount && ok; ++p)
        ok = m_rx30.writeValue(name, keys.at(p), ConfigHex::hex2(m_image.param(p)));
    if (ok)
        ok = m_rx30.writeValue(kConfigurations, name, QStringLiteral("1"));
    if (!ok) {
        m_prompts.error(Msg(467) + m_rx30.path());
        emit changed();
        return false;
    }
    // A standard configuration goes before "Custom", which stays last.
    int at = m_versions.indexOf(custom);
    if (at < 0)
        at = m_versions.size();
    m_versions.insert(at, name);
    m_versionIndex = at;
    emit changed();
    return true;
}

// ---------------------------------------------------------------- the two directions

bool ConfigPage::imageToWindow()
{
    try {
        paramsToWindow();
        imageToLines();
        warningsToWindow();
        sorterDisplay();
    } catch (const ConversionError &e) {
        fail(e);
        emit changed();
        return false;
    }
    emit changed();
    return true;
}

void ConfigPage::refresh()
{
    imageToWindow();
}

bool ConfigPage::windowToImage()
{
    try {
        paramsToImage();
        linesToImage();
    } catch (const ConversionError &e) {
        fail(e);
        return false;
    }
    return true;
}

void ConfigPage::setModeByte(int value)
{
    m_image.modeByte = value & 0xFF;
    emit changed();
}

QString ConfigPage::autoprogText() const
{
    switch (m_image.modeByte & 0x03) {
    case 0:
        return Msg(38);
    case 1:
        return Msg(36);
    case 2:
        return Msg(37);
    }
    return QString();
}

QString ConfigPage::stopModeText() const
{
    switch (m_image.modeByte & 0x0C) {
    case 0:
        return Msg(38);
    case 4:
        return Msg(36);
    case 8:
        return Msg(37);
    }
    return QString();
}

// ---------------------------------------------------------------- country codes

bool ConfigPage::rebuildCountryCodes()
{
    QString codes = m_image.countryCodes();
    try {
        for (int list = 0; list < 3; ++list) {
            const int i = m_codeIndex.at(list);
            if (i < 0 || i >= m_countryNames.size())
                continue; // a code the catalogue lacks stays as loaded
            const QString code =
                m_rx30.readValue(QStringLiteral("Country Codes"), m_countryNames.at(i), QStringLiteral(".."));
            if (code.size() != 2)
                throw ConversionError{code};
            codes.replace(2 * list, 2, code);
        }
    } catch (const ConversionError &e) {
        fail(e);
        return false;
    }
    codes.replace(6, 2, QStringLiteral(".."));
    m_image.setCountryCodes(codes);
    return true;
}

void ConfigPage::showCountryCodes()
{
    const QString codes = m_image.countryCodes();
    m_channels.setCountryCodes(codes);
    for (int list = 0; list < 3; ++list) {
        m_codeIndex[list] = -1;
        for (int i = 0; i < m_countryNames.size(); ++i) {
            if (m_rx30.readValue(QStringLiteral("Country Codes"), m_countryNames.at(i),
                                 QStringLiteral("..")) == codes.mid(2 * list, 2)) {
                m_codeIndex[list] = i;
                break;
            }
        }
    }
}

void ConfigPage::chooseCountry(int list, int index)
{
    if (list < 0 || list > 2)
        return;
    m_codeIndex[list] = (index >= 0 && index < m_countryNames.size()) ? index : -1;
    emit changed();
}

bool ConfigPage::acceptCountryCodes()
{
    const bool ok = rebuildCountryCodes();
    if (ok)
        showCountryCodes();
    emit changed();
    return ok;
}
