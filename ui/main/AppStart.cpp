#include "main/AppStart.h"

#include "app/DataDir.h"
#include "app/Messages.h"
#include "link/PortFactory.h"
#include "main/QtTranslations.h"
#include "main/TMainFrm.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

bool AppStart::parse(const QStringList &arguments, Options &o, QString &problem)
{
    QCommandLineParser p;
    p.setApplicationDescription(Msg(28));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption lang(QStringLiteral("language"), QStringLiteral("en, it or hr"),
                                  QStringLiteral("code"), QStringLiteral("en"));
    const QCommandLineOption data(QStringLiteral("data-dir"), Msg(450), QStringLiteral("dir"));
    const QCommandLineOption demo(QStringLiteral("demo"), Msg(452));
    const QCommandLineOption shot(QStringLiteral("screenshot"), Msg(555), QStringLiteral("dir"));
    const QCommandLineOption port(QStringLiteral("port"), Msg(556), QStringLiteral("name"));
    p.addOptions({lang, data, demo, shot, port});
    if (!p.parse(arguments)) {
        problem = p.errorText();
        return false;
    }
    if (p.isSet(QStringLiteral("help")))
        p.showHelp(0);
    if (p.isSet(QStringLiteral("version")))
        p.showVersion();
    if (!p.positionalArguments().isEmpty()) {
        problem = Msg(453) + p.positionalArguments().first();
        return false;
    }
    o.language = p.value(lang).toLower();
    if (languageBase(o.language) == 0) {
        problem = Msg(557) + p.value(lang);
        return false;
    }
    o.dataDir = p.value(data);
    o.demo = p.isSet(demo);
    o.screenshotDir = p.value(shot);
    o.port = p.value(port);
    return true;
}

int AppStart::languageBase(const QString &code)
{
    if (code == QLatin1String("en"))
        return 1000;
    if (code == QLatin1String("it"))
        return 2000;
    if (code == QLatin1String("hr"))
        return 3000;
    return 0;
}

bool AppStart::selectLanguage(const QString &code)
{
    const int base = languageBase(code);
    // A block without texts would leave every caption empty; English serves instead.
    if (base == 0 || TResourceLocalizer::LoadMessage(base, 0).isEmpty()) {
        LanguageBase = 1000;
        return base == 1000;
    }
    LanguageBase = base;
    return true;
}

int AppStart::run(const Options &o, const QStringList &seedDirs, QTextStream &err)
{
    if (!selectLanguage(o.language))
        err << Msg(558) << Qt::endl;
    QtTranslations::install(LanguageBase == 2000   ? QStringLiteral("it")
                            : LanguageBase == 3000 ? QStringLiteral("hr")
                                                   : QStringLiteral("en"));
    const DataDir::Resolution dir = DataDir::resolve(o.dataDir, seedDirs);
    if (dir.path.isEmpty()) {
        err << Msg(559) << dir.error << Qt::endl;
        return 3;
    }
    // A folder named on the command line without the catalogue is a mistyped path, not a
    // selector the catalogue does not know.
    const QString catalogue = QDir(dir.path).filePath(QStringLiteral("rx30.ini"));
    if (!o.dataDir.isEmpty() && !QFileInfo(catalogue).isFile()) {
        err << Msg(587) << QDir::toNativeSeparators(catalogue) << Qt::endl;
        return 3;
    }
    QElapsedTimer startClock;
    startClock.start();
    std::shared_ptr<SimBus> bus;
    if (o.demo) {
        bus = SimulatorPort::registerDemoPort();
        bus->setPacing(true);
    }
    StartOptions start;
    start.dataDir = dir.path;
    start.demo = o.demo;
    start.interactive = o.screenshotDir.isEmpty();
    start.extraPort = o.port;
    int status = 0;
    {
        TMainFrm window(start);
        window.show();
        if (!o.screenshotDir.isEmpty()) {
            window.startUp();
            err << Msg(560) << startClock.elapsed() << Qt::endl;
            QStringList cut;
            const QStringList files =
                window.saveScreenshots(o.screenshotDir, o.language + QLatin1Char('-'), &cut);
            for (const QString &f : files)
                err << f << Qt::endl;
            for (const QString &c : cut)
                err << c << Qt::endl;
            status = files.isEmpty() ? 3 : 0;
        } else {
            status = QApplication::exec();
        }
    }
    if (o.demo)
        SimulatorPort::unregisterPort();
    return status;
}
