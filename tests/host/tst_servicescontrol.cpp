// Driver service control: the widget's buttons, led and messages over a fake service, and
// the systemd backend's unit file and systemctl calls against a scripted systemctl.

#include "recordingprompts.h"
#include "servicescontrolwidget.h"
#include "systemdservicecontroller.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

enum State { Absent, Stopped, Running };

// A service in memory: the test sets its state and whether operations succeed.
struct FakeService : ServiceController
{
    State *state;
    bool succeed = true;
    QStringList calls;
    FakeService(State *s) : ServiceController(QStringLiteral("frservicesmgr")), state(s) { }
    bool run(const QString &call, State after)
    {
        calls << call;
        if (succeed)
            *state = after;
        return succeed;
    }
    bool install(const QString &exe, const QString &account, const QString &password) override
    {
        return run(QStringLiteral("install %1 [%2] [%3]").arg(exe, account, password), Stopped);
    }
    bool uninstall() override { return run(QStringLiteral("uninstall"), Absent); }
    bool start() override { return run(QStringLiteral("start"), Running); }
    bool stop() override { return run(QStringLiteral("stop"), Stopped); }
    bool isInstalled() const override { return *state != Absent; }
    bool isRunning() const override { return *state == Running; }
};

const char *const BUTTONS[] = { "tbInstall", "tbRun", "tbStop", "tbUninstall" };
// Which of BUTTONS are enabled in each state.
const char *const ENABLED[] = { "1000", "0101", "0010" };

} // namespace

class TestServicesControl : public QObject
{
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
    void outsideStartTurnsLedGreen();
    void systemdUnitFile_data();
    void systemdUnitFile();
    void systemdCalls_data();
    void systemdCalls();

private:
    QTemporaryDir m_dir;
};

// Fault: a button offered where it cannot work, a led that lies, a wrong message, an
// operation run in a state where it must not be, or a state not re-read afterwards.
void TestServicesControl::operations_data()
{
    QTest::addColumn<QString>("slot"); // empty: only the first check
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QString>("call"); // empty: nothing may be called
    QTest::addColumn<QString>("message"); // "kind|title|text", empty: none
    QTest::addColumn<int>("after");

    const QString ok = QStringLiteral("information|Service message|Service was %1 successfully!");
    const QString ko = QStringLiteral("critical|Service Error|Service can't be %1!");
    const QString install = QStringLiteral("install %1/frservicesmgr [] []")
                                .arg(QCoreApplication::applicationDirPath());
    QTest::newRow("absent") << "" << int(Absent) << true << ""
                            << "" << int(Absent);
    QTest::newRow("stopped") << "" << int(Stopped) << true << ""
                             << "" << int(Stopped);
    QTest::newRow("running") << "" << int(Running) << true << ""
                             << "" << int(Running);
    QTest::newRow("install") << "registreService" << int(Absent) << true << install
                             << ok.arg("registered") << int(Stopped);
    QTest::newRow("install fails") << "registreService" << int(Absent) << false << install
                                   << ko.arg("registered") << int(Absent);
    QTest::newRow("install when present") << "registreService" << int(Stopped) << true << ""
                                          << "" << int(Stopped);
    QTest::newRow("uninstall") << "unregistreService" << int(Stopped) << true << "uninstall"
                               << ok.arg("unregistered") << int(Absent);
    QTest::newRow("uninstall fails") << "unregistreService" << int(Stopped) << false << "uninstall"
                                     << ko.arg("unregistered") << int(Stopped);
    QTest::newRow("uninstall when absent") << "unregistreService" << int(Absent) << true << ""
                                           << "" << int(Absent);
    QTest::newRow("start") << "startService" << int(Stopped) << true << "start" << ok.arg("started")
                           << int(Running);
    QTest::newRow("start fails") << "startService" << int(Stopped) << false << "start"
                                 << ko.arg("started") << int(Stopped);
    QTest::newRow("start when running") << "startService" << int(Running) << true << ""
                                        << "" << int(Running);
    QTest::newRow("stop") << "stopService" << int(Running) << true << "stop" << ok.arg("stopped")
                          << int(Stopped);
    QTest::newRow("stop fails") << "stopService" << int(Running) << false << "stop"
                                << ko.arg("stoped") << int(Running);
    QTest::newRow("stop when stopped") << "stopService" << int(Stopped) << true << ""
                                       << "" << int(Stopped);
}

void TestServicesControl::operations()
{
    QFETCH(QString, slot);
    QFETCH(int, state);
    QFETCH(bool, succeed);
    QFETCH(QString, call);
    QFETCH(QString, message);
    QFETCH(int, after);
    RecordingPrompts prompts;
    State s = State(state);
    auto *service = new FakeService(&s);
    service->succeed = succeed;
    ServicesControlWidget w(service);
    QSignalSpy started(&w, &ServicesControlWidget::started);
    QSignalSpy before(&w, &ServicesControlWidget::beforeStarting);
    if (slot.isEmpty())
        w.checkServiceState();
    else
        QVERIFY(QMetaObject::invokeMethod(&w, slot.toLatin1().constData()));
    QCOMPARE(service->calls, call.isEmpty() ? QStringList() : QStringList { call });
    QStringList shown;
    for (const UserPrompts::Request &r : qAsConst(prompts.requests))
        shown << UserPrompts::kindName(r.kind) + '|' + r.title + '|' + r.text;
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList { message });
    // Asked before every start, even one that cannot happen.
    QCOMPARE(before.count(), slot == QLatin1String("startService") ? 1 : 0);
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.last().at(0).toBool(), after == Running);
    QString enabled;
    for (const char *name : BUTTONS)
        enabled += w.findChild<QToolButton *>(name)->isEnabled() ? '1' : '0';
    QCOMPARE(enabled, QString(ENABLED[after]));
    const QString led = after == Running ? ":/icons/greenled.png" : ":/icons/redled.png";
    QCOMPARE(w.ledIconPath(), led);
    QCOMPARE(w.findChild<QToolButton *>("tbLed")->icon().pixmap(16).toImage(),
        QIcon(led).pixmap(16).toImage());
}

// Fault: the state is read once and never again, or the poll stops after a button.
void TestServicesControl::outsideStartTurnsLedGreen()
{
    RecordingPrompts prompts;
    State s = Stopped;
    ServicesControlWidget w(new FakeService(&s));
    w.findChild<QToolButton *>("tbUninstall")->click(); // a check by hand must not end polling
    s = Running;
    QSignalSpy started(&w, &ServicesControlWidget::started);
    QVERIFY(started.wait(ServicesControlWidget::POLL_INTERVAL_MS + 500));
    QCOMPARE(started.at(0).at(0).toBool(), true);
    QCOMPARE(w.ledIconPath(), QStringLiteral(":/icons/greenled.png"));
}

// Fault: a path with blanks, quotes, "%" or "$" starts some other program, or the driver
// does not find the configuration the configurator writes.
void TestServicesControl::systemdUnitFile_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<int>("scope");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QStringList>("lines");
    const int user = SystemdServiceController::User, system = SystemdServiceController::System;
    QTest::newRow("user") << "/opt/orva/frservicesmgr" << user << "orva"
                          << QStringList { "ExecStart=\"/opt/orva/frservicesmgr\"",
                                 "WantedBy=default.target" };
    QTest::newRow("blanks and quotes")
        << "/opt/my \"orva\"/frservicesmgr" << user << ""
        << QStringList { "ExecStart=\"/opt/my \\\"orva\\\"/frservicesmgr\"" };
    QTest::newRow("percent and dollar, system account")
        << "/opt/100%$HOME/frservicesmgr" << system << "orva"
        << QStringList { "ExecStart=\"/opt/100%%$$HOME/frservicesmgr\"", "User=orva",
               "WantedBy=multi-user.target" };
}

void TestServicesControl::systemdUnitFile()
{
    QFETCH(QString, executable);
    QFETCH(int, scope);
    QFETCH(QString, account);
    QFETCH(QStringList, lines);
    qputenv("ALLUSERSPROFILE", "/srv/100% data");
    const QStringList unit = SystemdServiceController::unitFileText(
        "frservicesmgr", executable, account, SystemdServiceController::Scope(scope))
                                 .split('\n');
    lines << "Environment=\"ALLUSERSPROFILE=/srv/100%% data\"";
    for (const QString &l : qAsConst(lines))
        QVERIFY2(unit.contains(l), qPrintable(l + " not in\n" + unit.join('\n')));
    // A user unit runs as its user.
    QCOMPARE(unit.contains("User=orva"), scope == SystemdServiceController::System);
}

// Fault: the wrong verbs or scope reach systemctl, its answers, exit codes or silence are
// misread, or the unit file is left behind or missing.
void TestServicesControl::systemdCalls_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("script"); // the fake systemctl's answer, after logging its call
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("calls");
    auto show = [](const char *p) {
        return QStringLiteral("show --property=%1 --value frservicesmgr.service").arg(p);
    };
    QTest::newRow("installed") << "isInstalled"
                               << "echo loaded" << true << QStringList { show("LoadState") };
    QTest::newRow("not installed")
        << "isInstalled"
        << "echo not-found" << false << QStringList { show("LoadState") };
    QTest::newRow("no systemd") << "isInstalled"
                                << "echo loaded; exit 1" << false
                                << QStringList { show("LoadState") };
    QTest::newRow("running") << "isRunning"
                             << "echo active" << true << QStringList { show("ActiveState") };
    QTest::newRow("failed unit") << "isRunning"
                                 << "echo failed" << false << QStringList { show("ActiveState") };
    QTest::newRow("no answer in time")
        << "isRunning"
        << "sleep 3; echo active" << false << QStringList { show("ActiveState") };
    QTest::newRow("install") << "install"
                             << "" << true
                             << QStringList { "daemon-reload", "enable frservicesmgr.service" };
    QTest::newRow("install, reload fails") << "install"
                                           << "exit 1" << false << QStringList { "daemon-reload" };
    QTest::newRow("start") << "start"
                           << "" << true << QStringList { "start frservicesmgr.service" };
    QTest::newRow("start fails") << "start"
                                 << "exit 5" << false
                                 << QStringList { "start frservicesmgr.service" };
    QTest::newRow("stop") << "stop"
                          << "" << true << QStringList { "stop frservicesmgr.service" };
    QTest::newRow("uninstall") << "uninstall"
                               << "" << true
                               << QStringList { "disable frservicesmgr.service", "daemon-reload" };
}

void TestServicesControl::systemdCalls()
{
    QFETCH(QString, operation);
    QFETCH(QString, script);
    QFETCH(bool, result);
    QFETCH(QStringList, calls);
    const QString log = m_dir.filePath("calls"), units = m_dir.filePath("units");
    QFile fake(m_dir.filePath("systemctl"));
    QVERIFY(fake.open(QIODevice::WriteOnly | QIODevice::Truncate));
    fake.write(QStringLiteral("#!/bin/sh\necho \"$*\" >> '%1'\n%2\n").arg(log, script).toUtf8());
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SystemdServiceController c(
        "frservicesmgr", SystemdServiceController::User, units, fake.fileName());
    c.setTimeout(500);
    const QString unit = units + "/frservicesmgr.service";
    QFile::remove(unit);
    if (operation == QLatin1String("uninstall")) {
        QVERIFY(QDir().mkpath(units));
        QFile(unit).open(QIODevice::WriteOnly);
    }
    QFile::remove(log);
    const QMap<QString, std::function<bool()>> operations {
        { "isInstalled", [&c]() { return c.isInstalled(); } },
        { "isRunning", [&c]() { return c.isRunning(); } },
        { "install", [&c]() { return c.install("/x/frservicesmgr", QString(), QString()); } },
        { "uninstall", [&c]() { return c.uninstall(); } },
        { "start", [&c]() { return c.start(); } },
        { "stop", [&c]() { return c.stop(); } },
    };
    QVERIFY(operations.contains(operation));
    const bool got = operations.value(operation)();
    QCOMPARE(got, result);
    QFile called(log);
    QVERIFY(called.open(QIODevice::ReadOnly));
    QStringList expected;
    for (const QString &call : qAsConst(calls))
        expected << "--user --no-ask-password " + call;
    QCOMPARE(QString::fromUtf8(called.readAll()).split('\n', Qt::SkipEmptyParts), expected);
    QCOMPARE(QFile::exists(unit), operation == QLatin1String("install"));
}

QTEST_MAIN(TestServicesControl)
#include "tst_servicescontrol.moc"
