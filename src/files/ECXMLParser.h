#pragma once

#include "files/XMLItem.h"

#include <QByteArray>
#include <QString>
#include <functional>

// The configuration document and its forgiving reader: a small subset of XML, enough for
// the line-oriented configuration files. Files are single-byte text (Latin-1).
//
// Reading never leaves a half-read document behind: the file is parsed into a fresh tree
// that replaces the root's content only when the whole file was read without error.
class TECXMLParser
{
public:
    // The reader's buffer; a line that does not fit is refused with "Line too long".
    static constexpr int BufferSize = 4096;

    TECXMLParser();

    TXMLItem *Root() { return &m_root; }
    const TXMLItem *Root() const { return &m_root; }

    // true: read the whole file at once; false: through the line buffer. Both give the same
    // result here, including the line-length error.
    bool DefaultLargeTokenizer = false;
    // Called after a file has been read completely.
    std::function<void()> OnLoaded;

    // false, with errorString(), when the file cannot be opened or is not acceptable; the
    // document is then unchanged.
    bool LoadFromFile(const QString &fileName);
    bool LoadFromData(const QByteArray &data);
    QString errorString() const { return m_error; }

    // The reader's entity decoding, in its fixed order.
    static QString decode(QString text);

private:
    bool parse(const QByteArray &data, TXMLItem &into);
    bool fail(const QString &what, int line);

    TXMLItem m_root;
    QString m_error;
};
