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
// One failing row stands for all: the four operations report through one helper.
void TestServicesControl::operations_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QString>("call"); // empty: nothing may be called
    QTest::addColumn<QString>("message"); // "kind|title|text", empty: none
    QTest::addColumn<int>("after");
    const QString ok = QStringLiteral("information|Service message|Service was %1 successfully!");
    const QString ko = QStringLiteral("critical|Service Error|Service can't be %1!");
    const QString install = QStringLiteral("install %1/frservicesmgr [] []")
                                .arg(QCoreApplication::applicationDirPath());
    auto row = [](const char *name, const char *slot, State state, bool succeed,
                   const QString &call, const QString &message, State after) {
        QTest::newRow(name) << slot << int(state) << succeed << call << message << int(after);
    };
    row("install", "registreService", Absent, true, install, ok.arg("registered"), Stopped);
    row("install fails", "registreService", Absent, false, install, ko.arg("registered"), Absent);
    row("install when present", "registreService", Stopped, true, "", "", Stopped);
    row("uninstall", "unregistreService", Stopped, true, "uninstall", ok.arg("unregistered"),
        Absent);
    row("uninstall when absent", "unregistreService", Absent, true, "", "", Absent);
    row("start", "startService", Stopped, true, "start", ok.arg("started"), Running);
    row("start when running", "startService", Running, true, "", "", Running);
    row("stop", "stopService", Running, true, "stop", ok.arg("stopped"), Stopped);
    row("stop fails", "stopService", Running, false, "stop", ko.arg("stoped"), Running);
    row("stop when stopped", "stopService", Stopped, true, "", "", Stopped);
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
    QCOMPARE(w.ledIconPath(), after == Running ? ":/icons/greenled.png" : ":/icons/redled.png");
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
}

// Fault: a path with blanks, quotes, "%" or "$" starts some other program, or the driver
// does not find the configuration the configurator writes.
void TestServicesControl::systemdUnitFile_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<int>("scope");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("user, blanks and quotes")
        << "/opt/my \"orva\"/frservicesmgr" << int(SystemdServiceController::User)
        << QStringList { "ExecStart=\"/opt/my \\\"orva\\\"/frservicesmgr\"",
               "WantedBy=default.target" };
    QTest::newRow("system, percent and dollar")
        << "/opt/100%$HOME/frservicesmgr" << int(SystemdServiceController::System)
        << QStringList { "ExecStart=\"/opt/100%%$$HOME/frservicesmgr\"", "User=orva",
               "WantedBy=multi-user.target" };
}

void TestServicesControl::systemdUnitFile()
{
    QFETCH(QString, executable);
    QFETCH(int, scope);
    QFETCH(QStringList, lines);
    qputenv("ALLUSERSPROFILE", "/srv/100% data");
    const QStringList unit = SystemdServiceController::unitFileText(
        "frservicesmgr", executable, "orva", SystemdServiceController::Scope(scope))
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
    auto row = [](const char *name, const char *operation, const char *script, bool result,
                   const QStringList &calls) {
        QTest::newRow(name) << operation << script << result << calls;
    };
    auto show = [](const char *p) {
        return QStringList {
            QStringLiteral("show --property=%1 --value frservicesmgr.service").arg(p)
        };
    };
    row("installed", "isInstalled", "echo loaded", true, show("LoadState"));
    row("not installed", "isInstalled", "echo not-found", false, show("LoadState"));
    row("no systemd", "isInstalled", "echo loaded; exit 1", false, show("LoadState"));
    row("running", "isRunning", "echo active", true, show("ActiveState"));
    row("no answer in time", "isRunning", "sleep 3; echo active", false, show("ActiveState"));
    row("install", "install", "", true, { "daemon-reload", "enable frservicesmgr.service" });
    row("install, reload fails", "install", "exit 1", false, { "daemon-reload" });
    row("start fails", "start", "exit 5", false, { "start frservicesmgr.service" });
    row("stop", "stop", "", true, { "stop frservicesmgr.service" });
    row("uninstall", "uninstall", "", true, { "disable frservicesmgr.service", "daemon-reload" });
}

void TestServicesControl::systemdCalls()
{
    QFETCH(QString, operation);
    QFETCH(QString, script);
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
    QTEST(operations.value(operation)(), "result");
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
