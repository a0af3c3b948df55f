#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A minimal writer of BIFF2 worksheet files: a beginning-of-file record, the sheet
// dimensions, text and 16-bit integer cells in the order they were added, and the
// end-of-file record. Rows and columns are given 1-based and stored 0-based.
class TXLSfile
{
public:
    static constexpr quint16 BofType = 0x0809;
    static constexpr quint16 DimensionType = 0x0000;
    static constexpr quint16 WordCellType = 0x0002;
    static constexpr quint16 StrCellType = 0x0004;
    static constexpr quint16 EofType = 0x000A;

    TXLSfile();

    QString FileName;

    // Drops every cell; the workbook starts again with its two leading records.
    void Clear();
    // Cells carry no attributes. Text is written as single-byte text; more than 255 bytes are
    // cut to 255, the most the length byte can describe.
    void AddStrCell(int column, int row, const QString &text);
    void AddWordCell(int column, int row, quint16 value);
    int cellCount() const { return m_records.size() - 2; }

    // Writes the whole file at once (atomically); false with errorString() on failure,
    // and an existing file is then left as it was.
    bool Write();
    QString errorString() const { return m_error; }
    // The bytes Write() puts in the file.
    QByteArray bytes() const;

private:
    struct Record
    {
        quint16 type;
        QByteArray body;
    };
    static QByteArray cellHead(int column, int row);

    QList<Record> m_records;
    QString m_error;
};
