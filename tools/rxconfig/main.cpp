#include "app/DataDir.h"
#include "main/AppStart.h"
#include "main/RxApplication.h"

#include <QApplication>
#include <QTextStream>
#include <cstring>

namespace {
// Help and version are answered without a window system, so they work where there is no
// display (a terminal on a server, a build machine).
bool asksOnlyForInformation(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("rxconfig"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RX_VERSION_TEXT));
}
} // namespace

int main(int argc, char *argv[])
{
    QTextStream err(stderr);
    AppStart::Options o;
    QString problem;
    if (asksOnlyForInformation(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        // Prints and exits on help or version; anything else wrong is a usage error.
        if (!AppStart::parse(QCoreApplication::arguments(), o, problem))
            err << problem << Qt::endl;
        return 2;
    }
    RxApplication app(argc, argv);
    nameApplication();
    if (!AppStart::parse(QApplication::arguments(), o, problem)) {
        err << problem << Qt::endl;
        return 2;
    }
    QStringList seeds = DataDir::installedSeedDirs(QApplication::applicationDirPath());
    seeds << QStringLiteral(RX_SOURCE_DATA_DIR);
    return AppStart::run(o, seeds, err);
}
