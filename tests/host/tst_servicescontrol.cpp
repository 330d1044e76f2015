// Driver service control: the widget's buttons, led and messages over a fake service, and
// the systemd backend's unit file and systemctl calls against a scripted systemctl.

#include "fakeservicecontroller.h"
#include "recordingprompts.h"
#include "servicescontrolwidget.h"
#include "systemdservicecontroller.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

const QString GREEN = QStringLiteral(":/icons/greenled.png");
const QString RED = QStringLiteral(":/icons/redled.png");

enum State { Absent, Stopped, Running };

void set(FakeServiceController::Shared *s, int state)
{
    s->installed = state != Absent;
    s->running = state == Running;
}

} // namespace

class TestServicesControl : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void buttonsFollowState_data();
    void buttonsFollowState();
    void operations_data();
    void operations();
    void outsideStartTurnsLedGreen();
    void startAsksFirst();

    void systemdUnitFile_data();
    void systemdUnitFile();
    void systemdCalls_data();
    void systemdCalls();
    void systemdHungSystemctl();

private:
    QToolButton *button(ServicesControlWidget &w, const char *name)
    {
        return w.findChild<QToolButton *>(QLatin1String(name));
    }
    // A systemctl that logs its arguments and answers "show" from files.
    QString fakeSystemctl(
        const QString &loadState, const QString &activeState, int exitCode, bool hang = false);

    FakeServiceController::Shared m_service;
    RecordingPrompts *m_prompts = nullptr;
    QTemporaryDir m_dir;
};

void TestServicesControl::init()
{
    m_service = FakeServiceController::Shared();
    m_prompts = new RecordingPrompts;
}

void TestServicesControl::cleanup()
{
    delete m_prompts;
}

// Fault: a button offered in a state where it cannot work, or the led lies.
void TestServicesControl::buttonsFollowState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("enabled"); // install, run, stop, uninstall
    QTest::addColumn<QString>("led");
    QTest::newRow("absent") << int(Absent) << "1000" << RED;
    QTest::newRow("stopped") << int(Stopped) << "0101" << RED;
    QTest::newRow("running") << int(Running) << "0010" << GREEN;
}

void TestServicesControl::buttonsFollowState()
{
    QFETCH(int, state);
    QFETCH(QString, enabled);
    QFETCH(QString, led);
    set(&m_service, state);
    ServicesControlWidget w(new FakeServiceController(&m_service));
    QSignalSpy started(&w, &ServicesControlWidget::started);
    w.checkServiceState();
    QString got;
    for (const char *name : { "tbInstall", "tbRun", "tbStop", "tbUninstall" })
        got += button(w, name)->isEnabled() ? '1' : '0';
    QCOMPARE(got, enabled);
    QCOMPARE(w.ledIconPath(), led);
    QCOMPARE(button(w, "tbLed")->icon().pixmap(16).toImage(), QIcon(led).pixmap(16).toImage());
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toBool(), state == Running);
    QVERIFY(m_prompts->requests.isEmpty());
}

// Fault: a wrong message, an operation run in a state where it must not be, or a state
// not refreshed after the operation.
void TestServicesControl::operations_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QString>("call"); // empty: nothing may be called
    QTest::addColumn<QString>("message"); // "kind|title|text", empty: none
    QTest::addColumn<int>("after");

    const QString info = QStringLiteral("information|Service message|");
    const QString error = QStringLiteral("critical|Service Error|");
    const QString install = QStringLiteral("install %1/frservicesmgr [] []")
                                .arg(QCoreApplication::applicationDirPath());
    QTest::newRow("install") << "registreService" << int(Absent) << true << install
                             << info + "Service was registered successfully!" << int(Stopped);
    QTest::newRow("install fails") << "registreService" << int(Absent) << false << install
                                   << error + "Service can't be registered!" << int(Absent);
    QTest::newRow("install when present") << "registreService" << int(Stopped) << true << ""
                                          << "" << int(Stopped);
    QTest::newRow("uninstall") << "unregistreService" << int(Stopped) << true << "uninstall"
                               << info + "Service was unregistered successfully!" << int(Absent);
    QTest::newRow("uninstall fails") << "unregistreService" << int(Stopped) << false << "uninstall"
                                     << error + "Service can't be unregistered!" << int(Stopped);
    QTest::newRow("uninstall when absent") << "unregistreService" << int(Absent) << true << ""
                                           << "" << int(Absent);
    QTest::newRow("start") << "startService" << int(Stopped) << true << "start"
                           << info + "Service was started successfully!" << int(Running);
    QTest::newRow("start fails") << "startService" << int(Stopped) << false << "start"
                                 << error + "Service can't be started!" << int(Stopped);
    QTest::newRow("start when running") << "startService" << int(Running) << true << ""
                                        << "" << int(Running);
    QTest::newRow("start when absent") << "startService" << int(Absent) << true << ""
                                       << "" << int(Absent);
    QTest::newRow("stop") << "stopService" << int(Running) << true << "stop"
                          << info + "Service was stopped successfully!" << int(Stopped);
    QTest::newRow("stop fails") << "stopService" << int(Running) << false << "stop"
                                << error + "Service can't be stoped!" << int(Running);
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
    set(&m_service, state);
    m_service.succeed = succeed;
    ServicesControlWidget w(new FakeServiceController(&m_service));
    QSignalSpy started(&w, &ServicesControlWidget::started);
    QVERIFY(QMetaObject::invokeMethod(&w, slot.toLatin1().constData()));
    QCOMPARE(m_service.calls, call.isEmpty() ? QStringList() : QStringList { call });
    QStringList shown;
    for (const UserPrompts::Request &r : qAsConst(m_prompts->requests))
        shown << UserPrompts::kindName(r.kind) + '|' + r.title + '|' + r.text;
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList { message });
    // The state shown is the one after the operation.
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.last().at(0).toBool(), after == Running);
    QCOMPARE(button(w, "tbInstall")->isEnabled(), after == Absent);
    QCOMPARE(w.ledIconPath(), after == Running ? GREEN : RED);
}

// Fault: the state is read once and never again, or the poll stops after a button.
void TestServicesControl::outsideStartTurnsLedGreen()
{
    set(&m_service, Stopped);
    ServicesControlWidget w(new FakeServiceController(&m_service));
    button(w, "tbUninstall")->click(); // a check by hand must not end the polling
    QCOMPARE(m_prompts->count(), 1);
    set(&m_service, Running);
    QSignalSpy started(&w, &ServicesControlWidget::started);
    QVERIFY(started.wait(ServicesControlWidget::POLL_INTERVAL_MS + 500));
    QCOMPARE(started.at(0).at(0).toBool(), true);
    QCOMPARE(w.ledIconPath(), GREEN);
    QVERIFY(button(w, "tbStop")->isEnabled());
}

// Fault: the hook before a start is skipped when the service cannot start.
void TestServicesControl::startAsksFirst()
{
    set(&m_service, Running);
    ServicesControlWidget w(new FakeServiceController(&m_service));
    QSignalSpy before(&w, &ServicesControlWidget::beforeStarting);
    w.startService();
    QCOMPARE(before.count(), 1);
}

// Fault: a path with blanks, "%" or "$" starts some other program, or the driver does not
// find the configuration the configurator writes.
void TestServicesControl::systemdUnitFile_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<int>("scope");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("execStart");
    QTest::addColumn<QString>("extra"); // a line that must be there, or "!line" that must not
    QTest::newRow("plain, user") << "/opt/orva/frservicesmgr" << int(SystemdServiceController::User)
                                 << ""
                                 << "ExecStart=\"/opt/orva/frservicesmgr\""
                                 << "WantedBy=default.target";
    QTest::newRow("blanks and quotes")
        << "/opt/my \"orva\"/frservicesmgr" << int(SystemdServiceController::User) << ""
        << "ExecStart=\"/opt/my \\\"orva\\\"/frservicesmgr\""
        << "!User=";
    QTest::newRow("percent and dollar")
        << "/opt/100%$HOME/frservicesmgr" << int(SystemdServiceController::System) << ""
        << "ExecStart=\"/opt/100%%$$HOME/frservicesmgr\""
        << "WantedBy=multi-user.target";
    QTest::newRow("system account")
        << "/usr/bin/frservicesmgr" << int(SystemdServiceController::System) << "orva"
        << "ExecStart=\"/usr/bin/frservicesmgr\""
        << "User=orva";
}

void TestServicesControl::systemdUnitFile()
{
    QFETCH(QString, executable);
    QFETCH(int, scope);
    QFETCH(QString, account);
    QFETCH(QString, execStart);
    QFETCH(QString, extra);
    qputenv("ALLUSERSPROFILE", "/srv/100% data");
    const QStringList lines
        = SystemdServiceController::unitFileText(QStringLiteral("frservicesmgr"), executable,
            account, SystemdServiceController::Scope(scope))
              .split('\n');
    QVERIFY2(lines.contains(execStart), qPrintable(lines.join('\n')));
    QVERIFY(lines.contains("Environment=\"ALLUSERSPROFILE=/srv/100%% data\""));
    if (extra.startsWith('!')) {
        for (const QString &l : lines)
            QVERIFY2(!l.startsWith(extra.mid(1)), qPrintable(l));
    } else {
        QVERIFY2(lines.contains(extra), qPrintable(lines.join('\n')));
    }
}

QString TestServicesControl::fakeSystemctl(
    const QString &loadState, const QString &activeState, int exitCode, bool hang)
{
    const QString path = m_dir.filePath(QStringLiteral("systemctl"));
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    QString body = QStringLiteral("#!/bin/sh\necho \"$*\" >> '%1'\n").arg(m_dir.filePath("calls"));
    if (hang)
        body += QStringLiteral("sleep 3\n");
    body += QStringLiteral("case \"$*\" in\n"
                           "  *--property=LoadState*) echo %1 ;;\n"
                           "  *--property=ActiveState*) echo %2 ;;\n"
                           "esac\nexit %3\n")
                .arg(loadState, activeState)
                .arg(exitCode);
    script.write(body.toUtf8());
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(m_dir.filePath("calls"));
    return path;
}

// Fault: the wrong verbs or scope reach systemctl, its answers or exit codes are misread, or
// the unit file is left behind or missing.
void TestServicesControl::systemdCalls_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("load");
    QTest::addColumn<QString>("active");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("calls");
    const QString show = QStringLiteral("--user --no-ask-password show --property=%1 --value "
                                        "frservicesmgr.service");
    QTest::newRow("installed") << "isInstalled"
                               << "loaded"
                               << "inactive" << 0 << true << QStringList { show.arg("LoadState") };
    QTest::newRow("not installed")
        << "isInstalled"
        << "not-found"
        << "inactive" << 0 << false << QStringList { show.arg("LoadState") };
    QTest::newRow("no systemd") << "isInstalled"
                                << "loaded"
                                << "active" << 1 << false << QStringList { show.arg("LoadState") };
    QTest::newRow("running") << "isRunning"
                             << "loaded"
                             << "active" << 0 << true << QStringList { show.arg("ActiveState") };
    QTest::newRow("failed unit") << "isRunning"
                                 << "loaded"
                                 << "failed" << 0 << false
                                 << QStringList { show.arg("ActiveState") };
    QTest::newRow("install") << "install"
                             << ""
                             << "" << 0 << true
                             << QStringList { "--user --no-ask-password daemon-reload",
                                    "--user --no-ask-password enable frservicesmgr.service" };
    QTest::newRow("install, reload fails")
        << "install"
        << ""
        << "" << 1 << false << QStringList { "--user --no-ask-password daemon-reload" };
    QTest::newRow("start") << "start"
                           << ""
                           << "" << 0 << true
                           << QStringList {
                                  "--user --no-ask-password start frservicesmgr.service"
                              };
    QTest::newRow("start fails") << "start"
                                 << ""
                                 << "" << 5 << false
                                 << QStringList {
                                        "--user --no-ask-password start frservicesmgr.service"
                                    };
    QTest::newRow("stop") << "stop"
                          << ""
                          << "" << 0 << true
                          << QStringList { "--user --no-ask-password stop frservicesmgr.service" };
    QTest::newRow("uninstall") << "uninstall"
                               << ""
                               << "" << 0 << true
                               << QStringList {
                                      "--user --no-ask-password disable frservicesmgr.service",
                                      "--user --no-ask-password daemon-reload"
                                  };
}

void TestServicesControl::systemdCalls()
{
    QFETCH(QString, operation);
    QFETCH(QString, load);
    QFETCH(QString, active);
    QFETCH(int, exitCode);
    QFETCH(bool, result);
    QFETCH(QStringList, calls);
    const QString unitDir = m_dir.filePath(QStringLiteral("units"));
    SystemdServiceController c(QStringLiteral("frservicesmgr"), SystemdServiceController::User,
        unitDir, fakeSystemctl(load, active, exitCode));
    if (operation == QLatin1String("uninstall"))
        QVERIFY(c.install("/x/frservicesmgr", QString(), QString()) || exitCode != 0);
    QFile::remove(m_dir.filePath("calls"));
    bool got = false;
    if (operation == QLatin1String("isInstalled"))
        got = c.isInstalled();
    else if (operation == QLatin1String("isRunning"))
        got = c.isRunning();
    else if (operation == QLatin1String("install"))
        got = c.install("/x/frservicesmgr", QString(), QString());
    else if (operation == QLatin1String("start"))
        got = c.start();
    else if (operation == QLatin1String("stop"))
        got = c.stop();
    else if (operation == QLatin1String("uninstall"))
        got = c.uninstall();
    QCOMPARE(got, result);
    QFile log(m_dir.filePath("calls"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts), calls);
    if (operation == QLatin1String("install"))
        QVERIFY(QFile::exists(unitDir + QStringLiteral("/frservicesmgr.service")));
    if (operation == QLatin1String("uninstall"))
        QVERIFY(!QFile::exists(unitDir + QStringLiteral("/frservicesmgr.service")));
}

// Fault: a systemctl that does not answer in time is waited for (and believed) anyway.
void TestServicesControl::systemdHungSystemctl()
{
    SystemdServiceController c(QStringLiteral("frservicesmgr"), SystemdServiceController::User,
        m_dir.filePath(QStringLiteral("units")), fakeSystemctl("loaded", "active", 0, true));
    c.setTimeout(300);
    QVERIFY(!c.isRunning());
}

QTEST_MAIN(TestServicesControl)
#include "tst_servicescontrol.moc"
