#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TECXMLParser;

// One element of the configuration document: name, attributes as "name=value" entries in
// file order, decoded text, the last CDATA section met inside it, and owned children.
class TXMLItem
{
public:
    explicit TXMLItem(TECXMLParser *document = nullptr, TXMLItem *parent = nullptr);
    TXMLItem(const TXMLItem &) = delete;
    TXMLItem &operator=(const TXMLItem &) = delete;

    QString Text;
    QString Name;
    QStringList Params;
    QString CData;

    TXMLItem *Parent() const { return m_parent; }
    TECXMLParser *document() const { return m_document; }

    int count() const { return static_cast<int>(m_children.size()); }
    TXMLItem *item(int index) const;
    // Appends a new empty child and returns it.
    TXMLItem *addChild();
    // Frees all children and empties name, attributes, text and CDATA.
    void clear();
    // Moves every field and child of other into this item (other is left empty).
    void takeContentFrom(TXMLItem &other);

private:
    void setDocument(TECXMLParser *document);

    TECXMLParser *m_document;
    TXMLItem *m_parent;
    std::vector<std::unique_ptr<TXMLItem>> m_children;
};
