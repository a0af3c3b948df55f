#include "CliJson.h"

#include "app/Messages.h"
#include "files/BlockCompare.h"
#include "files/BlockValue.h"
#include "files/SectionTree.h"
#include "files/XMLItem.h"

#include <QJsonDocument>
#include <QTextStream>

namespace CliJson {

void write(QTextStream &stream, const QJsonObject &object)
{
    stream << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
    stream.flush();
}

int messageNumber(const QString &text)
{
    int best = 0;
    qsizetype bestLength = 0;
    for (int n = 0; n <= TResourceLocalizer::MaxNumber; ++n) {
        QString message = Msg(n);
        // A message with placeholders matches up to its first one.
        const qsizetype placeholder = message.indexOf(QLatin1Char('%'));
        if (placeholder >= 0)
            message.truncate(placeholder);
        // One or two characters (":", "s") would match texts they are not the start of.
        if (message.trimmed().size() < 3 || message.size() <= bestLength || !text.startsWith(message))
            continue;
        best = n;
        bestLength = message.size();
    }
    return best;
}

QJsonObject message(const QString &text)
{
    return {{QStringLiteral("message"), messageNumber(text)}, {QStringLiteral("text"), text}};
}

void putAddress(QJsonObject &object, int address)
{
    object.insert(QStringLiteral("address"), address);
    object.insert(QStringLiteral("addressHex"), BlockValue::addressText(address));
}

QJsonObject block(SectionTree &tree, int node)
{
    const TXMLItem *item = tree.item(node);
    const int length = BlockValue::length(item);
    QJsonObject object{{QStringLiteral("caption"), BlockCompare::captionOf(tree, node)},
                       {QStringLiteral("length"), length},
                       {QStringLiteral("value"), item->Text.left(2 * length)}};
    putAddress(object, BlockValue::address(item));
    return object;
}

} // namespace CliJson
