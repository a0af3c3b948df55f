#pragma once

#include "files/ECXMLParser.h"

#include <QList>
#include <QString>
#include <functional>

// The section selection tree without its window: one node per document element in
// document order, each with a state, plus loading, saving, ticking and the OK/Cancel rules.
// It owns the program's one configuration document.
class SectionTree
{
public:
    enum SectionState { Unchecked = 1, Checked = 2, Empty = 3 };
    static constexpr quint16 NOT_FOUND = 60000;

    // Shows the window modally; returns true for OK. Without a hook the sections stay as
    // they are and the answer is OK (non-interactive runs).
    using ShowHook = std::function<bool(SectionTree &tree)>;

    SectionTree();

    TECXMLParser &document() { return m_document; }

    // Reads an XML file into the document and marks the nodes by their data. false with
    // errorString() when the file cannot be read; the document and tree are then unchanged.
    bool LoadFile(const QString &fileName);
    // Writes a configuration file along templatePath from the Checked nodes, atomically.
    // false with errorString() when the template cannot be read, nothing would be saved
    // (errorString() is then "All buffers are empty") or the target cannot be written; the
    // target is not touched in those cases.
    bool SaveFile(const QString &fileName, const QString &templatePath);
    // The text SaveFile would write, or an empty array with errorString() set.
    QByteArray buildFile(const QString &templatePath);
    QString errorString() const { return m_error; }

    // fileName with its extension replaced by ".xml" (appended when it has none).
    static QString xmlFileName(const QString &fileName);
    static QString ParamValue(const TXMLItem *item, const QString &name);
    quint16 FindAddress(const QString &addressText) const;

    int count() const { return m_nodes.size(); }
    TXMLItem *item(int index) const;
    int parent(int index) const; // -1 for the root
    int level(int index) const;  // 0 for the root
    QString caption(int index) const;
    int state(int index) const;
    void setState(int index, int state);
    bool expanded(int index) const;
    void setExpanded(int index, bool on);
    // The nodes one level below index, in order.
    QList<int> children(int index) const;
    // True when every node except the root is Empty (nothing to save or send).
    bool allEmpty() const;

    // A click on the state image of a node.
    void ToggleNode(int index);
    // OK: every node that is not Checked loses its value and becomes Empty.
    void accept();
    // Collapses everything and opens the root one level, as each showing does.
    void prepareShow();
    // Shows the window through the hook; on OK the OK rules are applied.
    bool showModal();

    QString windowCaption;
    ShowHook showHook;

private:
    struct Node
    {
        TXMLItem *item;
        int parent;
        int level;
        int state;
        bool expanded;
    };
    void rebuild();
    void addNodes(TXMLItem *item, int parent, int level);
    void checkWithAncestors(int index, int depth, int state);

    TECXMLParser m_document;
    QList<Node> m_nodes;
    QString m_error;
};
