// The start-up path of the configuration page: read the shipped catalogues, fill every
// list and apply the first standard configuration. Prints the median and worst of N runs.
// Usage: bench_config_startup [RUNS] [DATA_DIR]
#include "app/AutoPrompts.h"
#include "config/ConfigPage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    const QString source = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(RX_BENCH_DATA_DIR);
    QTemporaryDir dir;
    for (const char *name : {"rx30.ini", "io.ini"})
        if (!QFile::copy(source + QLatin1Char('/') + QLatin1String(name),
                         dir.filePath(QLatin1String(name)))) {
            std::fprintf(stderr, "cannot copy %s from %s\n", name, qPrintable(source));
            return 3;
        }
    AutoPrompts prompts;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        ConfigPage page(prompts); // a fresh page each time: the files are read again
        const bool ok = page.loadCatalogues(dir.path());
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (!ok || page.versionIndex() != 0) {
            std::fprintf(stderr, "start-up failed\n");
            return 1;
        }
    }
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    std::printf("config start-up (load catalogues, apply first configuration): runs %d, median %.2f ms, "
                "best %.2f ms, worst %.2f ms, first run %.2f ms\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back(), first);
    return 0;
}
