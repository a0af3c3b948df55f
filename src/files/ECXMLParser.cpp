#include "files/ECXMLParser.h"

#include "app/Messages.h"

#include <QFile>

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 32;
}

// Token text cleanup applied to everything except CDATA: line-break pairs vanish and runs
// of blanks shrink to one.
QString squeeze(QString text)
{
    text.remove(QStringLiteral("\r\n"));
    text.remove(QStringLiteral("\n\r"));
    while (text.contains(QStringLiteral("  ")))
        text.replace(QStringLiteral("  "), QStringLiteral(" "));
    return text;
}

QString tagName(const QString &tag)
{
    const QString body = tag.mid(1);
    int end = -1;
    for (int i = 0; i < body.size(); ++i) {
        if (isBlank(body[i])) {
            end = i;
            break;
        }
    }
    if (end < 0)
        end = body.indexOf(QLatin1Char('/'));
    if (end < 0)
        end = body.size() - 1;
    return body.left(qMax(0, end));
}

QStringList tagParams(const QString &tag)
{
    int start = -1;
    for (int i = 0; i < tag.size(); ++i) {
        if (isBlank(tag[i])) {
            start = i + 1;
            break;
        }
    }
    if (start < 0)
        return {};
    int end = tag.size() - 1; // the closing '>'
    if (tag.endsWith(QStringLiteral("/>")))
        end = tag.size() - 2;
    const QString inner = tag.mid(start, qMax(0, end - start));

    QStringList pieces;
    QString current;
    bool quoted = false;
    for (QChar c : inner) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (isBlank(c) && !quoted) {
            if (!current.isEmpty())
                pieces.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        pieces.append(current);

    QStringList params;
    for (const QString &piece : pieces) {
        const int eq = piece.indexOf(QLatin1Char('='));
        if (eq < 0) {
            params.append(piece);
            continue;
        }
        QString value = piece.mid(eq + 1).trimmed();
        if (value.size() > 2) {
            if (value.startsWith(QLatin1Char('"')))
                value.remove(0, 1);
            if (value.endsWith(QLatin1Char('"')))
                value.chop(1);
        }
        value = TECXMLParser::decode(value.trimmed());
        params.append(piece.left(eq) + QLatin1Char('=') + value);
    }
    return params;
}

} // namespace

TECXMLParser::TECXMLParser() : m_root(this, nullptr)
{
}

QString TECXMLParser::decode(QString text)
{
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

bool TECXMLParser::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    return LoadFromData(file.readAll());
}

bool TECXMLParser::LoadFromData(const QByteArray &data)
{
    m_error.clear();
    TXMLItem fresh(this, nullptr);
    if (!parse(data, fresh))
        return false;
    m_root.takeContentFrom(fresh);
    if (OnLoaded)
        OnLoaded();
    return true;
}

bool TECXMLParser::fail(const QString &what, int line)
{
    m_error = Msg(501).arg(what).arg(line);
    return false;
}

bool TECXMLParser::parse(const QByteArray &data, TXMLItem &root)
{
    // The buffered reader cannot hold a line that fills its whole buffer.
    {
        int line = 1;
        qsizetype lineStart = 0;
        for (qsizetype i = 0; i <= data.size(); ++i) {
            if (i == data.size() || data[i] == '\n') {
                if (i - lineStart >= BufferSize)
                    return fail(Msg(500), line);
                ++line;
                lineStart = i + 1;
            }
        }
    }

    const QString text = QString::fromLatin1(data);
    const qsizetype n = text.size();
    TXMLItem *cursor = &root;
    bool closed = false; // the outermost element has ended
    qsizetype pos = 0;
    auto lineAt = [&text](qsizetype at) {
        return 1 + static_cast<int>(text.left(at).count(QLatin1Char('\n')));
    };

    while (true) {
        while (pos < n && isBlank(text[pos]))
            ++pos;
        if (pos >= n)
            break;
        const qsizetype start = pos;

        if (text[pos] != QLatin1Char('<')) {
            qsizetype end = text.indexOf(QLatin1Char('<'), pos);
            if (end < 0)
                end = n;
            pos = end;
            qsizetype last = end;
            while (last > start && isBlank(text[last - 1]))
                --last;
            if (closed || !cursor)
                return fail(Msg(502), lineAt(start));
            const QString token = squeeze(text.mid(start, last - start));
            if (!cursor->Text.trimmed().isEmpty())
                cursor->Text = decode(cursor->Text + QStringLiteral("\r\n") + token);
            else
                cursor->Text = decode(token);
            continue;
        }

        qsizetype gt = text.indexOf(QLatin1Char('>'), pos);
        if (gt < 0)
            return fail(Msg(503), lineAt(start));
        QString token = text.mid(start, gt - start + 1);

        if (token.startsWith(QStringLiteral("<![CDATA["), Qt::CaseInsensitive)) {
            while (!token.endsWith(QStringLiteral("]]>"))) {
                gt = text.indexOf(QLatin1Char('>'), gt + 1);
                if (gt < 0)
                    return fail(Msg(503), lineAt(start));
                token = text.mid(start, gt - start + 1);
            }
            pos = gt + 1;
            if (closed || !cursor)
                return fail(Msg(502), lineAt(start));
            cursor->CData = token.mid(9, token.size() - 12);
            continue;
        }
        pos = gt + 1;
        token = squeeze(token);

        if (token.startsWith(QStringLiteral("<?xml"), Qt::CaseInsensitive) ||
            token.startsWith(QStringLiteral("<!--"), Qt::CaseInsensitive))
            continue;
        if (closed || !cursor)
            return fail(Msg(502), lineAt(start));

        if (token.endsWith(QStringLiteral("/>"))) {
            if (token.compare(QStringLiteral("<br/>"), Qt::CaseInsensitive) == 0)
                continue;
            TXMLItem *child = cursor->addChild();
            child->Name = tagName(token);
            child->Params = tagParams(token);
        } else if (token.startsWith(QStringLiteral("</"))) {
            cursor = cursor->Parent();
            if (!cursor)
                closed = true;
        } else if (cursor->Name.isEmpty() && cursor == &root) {
            cursor->Name = tagName(token);
            cursor->Params = tagParams(token);
        } else {
            TXMLItem *child = cursor->addChild();
            child->Name = tagName(token);
            child->Params = tagParams(token);
            cursor = child;
        }
    }
    return true;
}
