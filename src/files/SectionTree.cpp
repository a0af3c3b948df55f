#include "files/SectionTree.h"

#include "app/Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

SectionTree::SectionTree()
{
    m_document.DefaultLargeTokenizer = false;
    m_document.OnLoaded = [this] { rebuild(); };
}

TXMLItem *SectionTree::item(int index) const
{
    return index >= 0 && index < m_nodes.size() ? m_nodes[index].item : nullptr;
}

int SectionTree::parent(int index) const
{
    return index >= 0 && index < m_nodes.size() ? m_nodes[index].parent : -1;
}

int SectionTree::level(int index) const
{
    return index >= 0 && index < m_nodes.size() ? m_nodes[index].level : 0;
}

QString SectionTree::caption(int index) const
{
    return ParamValue(item(index), QStringLiteral("caption"));
}

int SectionTree::state(int index) const
{
    return index >= 0 && index < m_nodes.size() ? m_nodes[index].state : Empty;
}

void SectionTree::setState(int index, int state)
{
    if (index >= 0 && index < m_nodes.size() && state >= Unchecked && state <= Empty)
        m_nodes[index].state = state;
}

bool SectionTree::expanded(int index) const
{
    return index >= 0 && index < m_nodes.size() && m_nodes[index].expanded;
}

void SectionTree::setExpanded(int index, bool on)
{
    if (index >= 0 && index < m_nodes.size())
        m_nodes[index].expanded = on;
}

QList<int> SectionTree::children(int index) const
{
    QList<int> result;
    for (int i = index + 1; i < m_nodes.size() && m_nodes[i].level > level(index); ++i) {
        if (m_nodes[i].parent == index)
            result.append(i);
    }
    return result;
}

bool SectionTree::allEmpty() const
{
    for (int i = 1; i < m_nodes.size(); ++i) {
        if (m_nodes[i].state != Empty)
            return false;
    }
    return true;
}

QString SectionTree::ParamValue(const TXMLItem *item, const QString &name)
{
    if (!item)
        return QString();
    if (item->Params.isEmpty())
        return item->Name == QLatin1String("MachineData") ? QStringLiteral("All data") : QString();
    for (const QString &entry : item->Params) {
        if (entry.contains(name)) {
            const int eq = entry.indexOf(QLatin1Char('='));
            return eq < 0 ? QString() : entry.mid(eq + 1);
        }
    }
    return item->Params.last();
}

quint16 SectionTree::FindAddress(const QString &addressText) const
{
    for (int i = 0; i < m_nodes.size(); ++i) {
        if (ParamValue(m_nodes[i].item, QStringLiteral("address")) == addressText)
            return static_cast<quint16>(i);
    }
    return NOT_FOUND;
}

void SectionTree::rebuild()
{
    m_nodes.clear();
    addNodes(m_document.Root(), -1, 0);
}

void SectionTree::addNodes(TXMLItem *node, int parentIndex, int depth)
{
    m_nodes.append(Node{node, parentIndex, depth, Empty, false});
    const int self = m_nodes.size() - 1;
    for (int i = 0; i < node->count(); ++i)
        addNodes(node->item(i), self, depth + 1);
}

void SectionTree::checkWithAncestors(int index, int depth, int newState)
{
    for (int i = index, d = 0; i >= 0 && d <= depth; i = parent(i), ++d)
        m_nodes[i].state = newState;
}

bool SectionTree::LoadFile(const QString &fileName)
{
    m_error.clear();
    if (!m_document.LoadFromFile(fileName)) {
        m_error = m_document.errorString();
        return false;
    }
    for (int i = 0; i < m_nodes.size(); ++i) {
        m_nodes[i].expanded = false;
        if (m_nodes[i].item->Text.isEmpty())
            m_nodes[i].state = Empty;
        else
            checkWithAncestors(i, 2, Checked);
    }
    if (!m_nodes.isEmpty())
        m_nodes[0].state = Checked;
    return true;
}

void SectionTree::ToggleNode(int index)
{
    if (index < 0 || index >= m_nodes.size() || m_nodes[index].state == Empty)
        return;
    const int s = m_nodes[index].state == Checked ? Unchecked : Checked;
    m_nodes[index].state = s;
    for (int i = index + 1; i < m_nodes.size() && m_nodes[i].level > m_nodes[index].level; ++i) {
        if (m_nodes[i].item->Text.isEmpty() && m_nodes[i].state == Empty)
            continue;
        m_nodes[i].state = s;
        m_nodes[m_nodes[i].parent].state = s;
    }
}

void SectionTree::accept()
{
    for (Node &node : m_nodes) {
        if (node.state != Checked) {
            node.item->Text.clear();
            node.state = Empty;
        }
    }
}

void SectionTree::prepareShow()
{
    for (Node &node : m_nodes)
        node.expanded = false;
    if (!m_nodes.isEmpty())
        m_nodes[0].expanded = true;
}

bool SectionTree::showModal()
{
    prepareShow();
    const bool ok = showHook ? showHook(*this) : true;
    if (ok)
        accept();
    return ok;
}

QString SectionTree::xmlFileName(const QString &fileName)
{
    const int slash = qMax(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot > slash)
        return fileName.left(dot) + QStringLiteral(".xml");
    return fileName + QStringLiteral(".xml");
}

namespace {

// Values go into element text; anything that would break the markup is escaped.
QString escapeValue(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    text.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    text.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return text;
}

} // namespace

QByteArray SectionTree::buildFile(const QString &templatePath)
{
    m_error.clear();
    QFile tmpl(templatePath);
    if (!tmpl.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("%1: %2").arg(templatePath, tmpl.errorString());
        return QByteArray();
    }
    QList<QByteArray> raw = tmpl.readAll().split('\n');
    if (!raw.isEmpty() && raw.last().isEmpty())
        raw.removeLast();

    QStringList lines;
    int dataLines = 0;
    for (QByteArray bytes : raw) {
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = QString::fromLatin1(bytes);
        if (!line.contains(QStringLiteral("Data caption"))) {
            lines.append(line);
            continue;
        }
        const int from = line.indexOf(QStringLiteral("0x0"));
        const int quote = from < 0 ? -1 : line.indexOf(QLatin1Char('"'), from);
        const QString address = from < 0 ? QString() : line.mid(from, quote < 0 ? -1 : quote - from);
        const quint16 node = FindAddress(address);
        if (node == NOT_FOUND || state(node) != Checked)
            continue;
        const int close = line.indexOf(QStringLiteral("</Data>"));
        lines.append(line.left(close < 0 ? line.size() : close) + escapeValue(item(node)->Text) +
                     QStringLiteral("</Data>"));
        ++dataLines;
    }
    if (dataLines == 0) {
        m_error = Msg(29);
        return QByteArray();
    }

    // Empty groups, nested up to four deep; a pass does not re-examine the line that
    // moved into a removed pair's place.
    for (int pass = 0; pass < 4; ++pass) {
        for (int i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i].contains(QStringLiteral("<Group caption")) &&
                lines[i + 1].contains(QStringLiteral("</Group>"))) {
                lines.removeAt(i);
                lines.removeAt(i);
            }
        }
    }

    QByteArray out;
    for (const QString &line : lines) {
        out += line.toLatin1();
        out += "\r\n";
    }
    return out;
}

bool SectionTree::SaveFile(const QString &fileName, const QString &templatePath)
{
    const QByteArray content = buildFile(templatePath);
    if (content.isEmpty())
        return false;
    const QString target = xmlFileName(fileName);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        m_error = QStringLiteral("%1: %2").arg(target, file.errorString());
        return false;
    }
    return true;
}
