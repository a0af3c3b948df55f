#pragma once

#include <QByteArray>
#include <QString>
#include <array>

// The working copy of the selector's configuration that the main window edits, held as
// bytes; the text forms that files and transfers carry are produced and accepted here.
// Text is checked as a whole before anything is replaced.
class ConfigImage
{
public:
    enum Section { Channels = 0x01, Configuration = 0x02, Modes = 0x04, Statistics = 0x08 };
    static constexpr int ParamCount = 18;
    static constexpr int LineCount = 8;

    ConfigImage();

    // 36 hex digits followed by the 18 use flags.
    QString paramText() const;
    // Accepts 36 hex digits, optionally followed by 18 flags (kept otherwise). On bad
    // text returns false with the offending text in *bad and changes nothing.
    bool setParamText(const QString &text, QString *bad = nullptr);
    int param(int index) const { return quint8(m_params.at(index)); }
    void setParam(int index, int value) { m_params[index] = char(qBound(0, value, 255)); }
    QByteArray params() const { return m_params; }
    bool paramUsed(int index) const { return m_paramFlags.at(index) == QLatin1Char('Y'); }
    void setParamUsed(int index, bool used)
    {
        m_paramFlags[index] = used ? QLatin1Char('Y') : QLatin1Char('N');
    }

    // Line k (0..7): 16 hex digits followed by 4 flags.
    QString lineText(int k) const;
    // 16 hex digits, optionally followed by 4 flags (kept otherwise); "" is an unassigned line.
    bool setLineText(int k, const QString &text, QString *bad = nullptr);
    QByteArray line(int k) const { return m_lines.at(k); }
    void setLine(int k, const QByteArray &bytes) { m_lines[k] = bytes.leftJustified(8, char(0xFF), true); }
    int lineByte(int k, int i) const { return quint8(m_lines.at(k).at(i)); }
    void setLineByte(int k, int i, int value) { m_lines[k][i] = char(qBound(0, value, 255)); }
    QString lineFlags(int k) const { return m_lineFlags.at(k); }
    void setLineFlags(int k, const QString &flags);
    // The first four digits (bytes 0 and 1), the identity used by the rules.
    QString lineHead(int k) const;

    // Four two-character country codes, 8 ASCII characters.
    QString countryCodes() const { return m_countryCodes; }
    void setCountryCodes(const QString &codes);

    int modeByte = 0;
    int loadedSections = 0;
    int timeBaseFactor = 1;
    int dipMode = 0;
    // Statistic option and counter text, carried for the statistics page.
    QString statisticOptions;
    QString statisticCounters;

private:
    QByteArray m_params;
    QString m_paramFlags;
    std::array<QByteArray, LineCount> m_lines;
    std::array<QString, LineCount> m_lineFlags;
    QString m_countryCodes;
};
