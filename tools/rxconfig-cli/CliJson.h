#pragma once

#include <QJsonObject>
#include <QString>

class QTextStream;
class SectionTree;

// Output for scripts (--json): compact JSON documents, one a line, keys in English whatever the
// language of the messages.
namespace CliJson {
// The object on one line, flushed at once, so that a reader of a stream sees each as it comes.
void write(QTextStream &stream, const QJsonObject &object);
// The number of the message the text begins with (the longest such), 0 when none does.
int messageNumber(const QString &text);
// {"message": n, "text": "..."}
QJsonObject message(const QString &text);
// A block address, both as a number and as the files write it: "address": 1952, "addressHex": "0x07A0".
void putAddress(QJsonObject &object, int address);
// A block of a section tree: caption, address, length and value as hex text.
QJsonObject block(SectionTree &tree, int node);
} // namespace CliJson
