// The application object: an exception thrown in an event handler is reported and the
// program goes on.
#include "app/Messages.h"
#include "main/RxApplication.h"

#include <QTimer>
#include <QtTest>
#include <stdexcept>

namespace {
class Thrower : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("broken reply");
        if (e->type() == QEvent::User + 1)
            throw 42;
        return QObject::event(e);
    }
};
} // namespace

class TestUiApplication : public QObject
{
    Q_OBJECT
private slots:
    void exceptionsInEventHandlersAreReportedAndTheLoopGoesOn()
    {
        QStringList reports;
        RxApplication::setReporter([&](const QString &t) { reports << t; });
        Thrower thrower;
        const int before = RxApplication::escapedExceptions();
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
        bool laterRan = false;
        QTimer::singleShot(0, [&] { laterRan = true; });
        QTRY_VERIFY(laterRan);
        QTRY_COMPARE(reports.size(), 2);
        QCOMPARE(RxApplication::escapedExceptions(), before + 2);
        QVERIFY(reports.at(0).startsWith(Msg(308)));
        QVERIFY(reports.at(0).contains(QStringLiteral("broken reply")));
        QCOMPARE(reports.at(1), Msg(308));
        RxApplication::setReporter(nullptr);
    }
};

int main(int argc, char **argv)
{
    RxApplication app(argc, argv);
    TestUiApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ui_application.moc"
