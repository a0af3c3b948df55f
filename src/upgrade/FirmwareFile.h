#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A firmware file of Motorola S-records (".u19"), one record a line. It is read whole and
// checked before the boot monitor is entered, so that a damaged file is refused while the
// selector still runs its program.
class FirmwareFile
{
public:
    enum class Problem {
        None,
        CannotOpen,
        NoRecords,
        NotARecord,    // the line does not begin with S and a record-type digit
        OddDigits,     // the digits after the type do not pair up
        NotHex,        // a character that is not a hexadecimal digit
        CountMismatch, // the byte count differs from the bytes on the line
        BadChecksum,
    };

    // Reads and checks the file; false with problem() and problemLine() set.
    bool load(const QString &path);

    QString path() const { return m_path; }
    const QStringList &lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }
    Problem problem() const { return m_problem; }
    int problemLine() const { return m_problemLine; } // 1-based
    // The user's message for the problem (message table texts).
    QString problemText() const;

    // The 9 identity bytes of the header (characters 9 to 26 of the first line); empty when
    // the line is too short to hold them.
    QByteArray headerIdentity() const;

    // The boot monitor's frame for a record line: 0x55, the record-type character (0x30 for
    // the header), then the digits from the third character on as bytes.
    static QByteArray frame(const QString &line, bool header);
    // The check of one line; Problem::None when it is a well-formed S-record.
    static Problem checkLine(const QString &line);

private:
    QString m_path;
    QStringList m_lines;
    Problem m_problem = Problem::None;
    int m_problemLine = 0;
};
