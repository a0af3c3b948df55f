#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A firmware file of Motorola S-records (".u19"), one record a line. It is read and checked
// before the boot monitor is entered, so that a file the monitor cannot finish with is refused
// while the selector still runs its program.
class FirmwareFile
{
public:
    // Far above what a selector's program memory could hold in S-record text; the size is
    // checked before reading, and again while reading for files that do not know their size.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    enum class Problem {
        None,
        CannotOpen,
        NoRecords,
        TooLarge,
        NotARecord,    // the line does not begin with S and a record-type digit
        OddDigits,     // the digits after the type do not pair up
        NotHex,        // a character that is not a hexadecimal digit
        CountMismatch, // the byte count differs from the bytes on the line
        BadChecksum,
        UnsupportedType,    // a record type the boot monitor does not take (S4)
        NoHeader,           // the first record is not a header (S0)
        SecondHeader,       // a header record after the first line
        HeaderTooShort,     // the header cannot hold the 9 identity bytes
        TerminationNotLast, // records after a termination record (S7, S8, S9)
        NoTermination,      // the file ends without one: it was cut short
    };

    // Reads and checks the file; false with problem() and problemLine() set.
    bool load(const QString &path);

    QString path() const { return m_path; }
    const QList<QByteArray> &lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }
    Problem problem() const { return m_problem; }
    int problemLine() const { return m_problemLine; } // 1-based
    // The user's message for the problem (message table texts).
    QString problemText() const;

    // The 9 identity bytes of the header (characters 9 to 26 of the first line); empty when
    // the line is too short to hold them.
    QByteArray headerIdentity() const;
    // The selector type the file was made for: the first 4 identity bytes.
    QString deviceType() const { return QString::fromLatin1(headerIdentity().left(4)); }

    // The boot monitor's frame for a record line: 0x55, the record-type character (0x30 for
    // the header), then the digits from the third character on as bytes.
    static QByteArray frame(const QByteArray &line, bool header);
    // The check of one line's form; Problem::None when it is a well-formed S-record.
    static Problem checkLine(const QByteArray &line);

private:
    bool fail(Problem problem, int line);

    QString m_path;
    QList<QByteArray> m_lines;
    Problem m_problem = Problem::None;
    int m_problemLine = 0;
    char m_refusedType = 0;
};
