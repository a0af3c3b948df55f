#include "files/XMLItem.h"

TXMLItem::TXMLItem(TECXMLParser *document, TXMLItem *parent) : m_document(document), m_parent(parent)
{
}

TXMLItem *TXMLItem::item(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_children[static_cast<size_t>(index)].get();
}

TXMLItem *TXMLItem::addChild()
{
    m_children.push_back(std::make_unique<TXMLItem>(m_document, this));
    return m_children.back().get();
}

void TXMLItem::clear()
{
    m_children.clear();
    Text.clear();
    Name.clear();
    Params.clear();
    CData.clear();
}

void TXMLItem::takeContentFrom(TXMLItem &other)
{
    clear();
    Text = std::move(other.Text);
    Name = std::move(other.Name);
    Params = std::move(other.Params);
    CData = std::move(other.CData);
    m_children = std::move(other.m_children);
    other.clear();
    for (auto &child : m_children) {
        child->m_parent = this;
        child->setDocument(m_document);
    }
}

void TXMLItem::setDocument(TECXMLParser *document)
{
    m_document = document;
    for (auto &child : m_children)
        child->setDocument(document);
}
