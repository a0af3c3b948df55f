#pragma once

#include <QList>
#include <QString>

// The names and data meanings of ccTalk headers, read from a text file (cctalk-headers.txt in
// the program directory, else the copy built into the program). See the file for its columns.
class HeaderTable
{
public:
    enum class Request { None, Number, Mask, Pin, Secret, MemRead, MemWrite, Bytes };
    enum class Reply { Ack, Text, Number, Date, Bits, Events, Memory, Addresses, Bytes };

    struct Row
    {
        int header = -1;  // 0..255; -1 for unframed
        int subCode = -1; // -1 when the row has none
        Request request = Request::Bytes;
        Reply reply = Reply::Bytes;
        QString name;
    };

    static constexpr int Unframed = -1;
    static const QString FileName;

    // Reads programDir's copy when there is one, else the built-in copy.
    static HeaderTable load(const QString &programDir);
    // Rows of text in the file's syntax; lines that do not follow it are skipped and counted.
    static HeaderTable parse(const QString &text);

    // The row for a framed command: header and its data bytes (the sub-code first for 255).
    // nullptr when the table does not know the header.
    const Row *find(int header, const QByteArray &data) const;
    // The row for bytes sent without a frame, by their first byte.
    const Row *findUnframed(const QByteArray &bytes) const;

    int size() const { return static_cast<int>(m_rows.size()); }
    int skippedLines() const { return m_skipped; }

private:
    const Row *match(int header, int subCode, bool noFurtherData) const;

    QList<Row> m_rows;
    int m_skipped = 0;
};
