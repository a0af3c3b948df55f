#include "app/DataDir.h"
#include "main/AppStart.h"
#include "main/RxApplication.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    RxApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rxconfig"));
    QApplication::setApplicationVersion(QStringLiteral("1.203"));
    QTextStream err(stderr);

    AppStart::Options o;
    QString problem;
    if (!AppStart::parse(QApplication::arguments(), o, problem)) {
        err << problem << Qt::endl;
        return 2;
    }
    QStringList seeds = DataDir::installedSeedDirs(QApplication::applicationDirPath());
    seeds << QStringLiteral(RX_SOURCE_DATA_DIR);
    return AppStart::run(o, seeds, err);
}
