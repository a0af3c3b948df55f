#include "main/QtTranslations.h"

#include "app/Messages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QList>
#include <QTranslator>

namespace {
// The standard buttons' texts as Qt asks for them, with their message numbers.
struct ButtonText
{
    const char *source;
    int message;
};
constexpr ButtonText kButtons[] = {{"OK", 580},   {"Cancel", 581}, {"&Yes", 582}, {"&No", 583},
                                   {"Open", 584}, {"Save", 585},   {"Close", 586}};

class MessageTableTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "QPlatformTheme") != 0 || !source)
            return QString();
        for (const ButtonText &b : kButtons)
            if (qstrcmp(source, b.source) == 0)
                return Msg(b.message);
        return QString();
    }
    bool isEmpty() const override { return false; }
};

QList<QTranslator *> &installed()
{
    static QList<QTranslator *> translators;
    return translators;
}
} // namespace

bool QtTranslations::install(const QString &code, const QString &dir)
{
    for (QTranslator *t : installed()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    installed().clear();
    if (code == QLatin1String("en"))
        return true;
    // Installed first, asked last: Qt's own translation wins where it has the text.
    auto *fallback = new MessageTableTranslator;
    QCoreApplication::installTranslator(fallback);
    installed() << fallback;
    const QString folder = dir.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : dir;
    auto *qt = new QTranslator;
    if (!qt->load(QStringLiteral("qtbase_") + code, folder)) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    installed() << qt;
    return true;
}
