#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {
const int kProcessTimeout = 60000;
}

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void lockFollowsProcess_data();
    void lockFollowsProcess();
    void programRefusesSecondInstance();

private:
    QProcessEnvironment environment() const;
    QString probe(const QString &id);
    bool startHolder(QProcess &holder, const QString &id);
    qint64 lockOwner() const;

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestSingleInstance::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("runtime"))));
    QFile::setPermissions(m_dir->filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The lock file and the local socket go to TMPDIR, the configuration to ALLUSERSPROFILE:
// pointing both at our folder keeps these processes away from any real instance.
QProcessEnvironment TestSingleInstance::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TMPDIR"), m_dir->path());
    env.insert(QStringLiteral("ALLUSERSPROFILE"), m_dir->path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->filePath(QStringLiteral("runtime")));
    env.remove(QStringLiteral("ORVACONFIG_PROMPT_LOG"));
    return env;
}

QString TestSingleInstance::probe(const QString &id)
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(QStringLiteral(HOLDER_BIN), { id, QStringLiteral("probe") });
    if (!p.waitForFinished(kProcessTimeout) || p.exitCode() != 0)
        return QStringLiteral("failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

// Starts a holder and tells whether it became the primary instance.
bool TestSingleInstance::startHolder(QProcess &holder, const QString &id)
{
    holder.setProcessEnvironment(environment());
    holder.start(QStringLiteral(HOLDER_BIN), { id, QStringLiteral("hold") });
    if (!holder.waitForStarted(kProcessTimeout))
        return false;
    while (!holder.canReadLine())
        if (!holder.waitForReadyRead(kProcessTimeout))
            return false;
    return holder.readLine().trimmed() == "primary";
}

// The pid written into the single-instance lock file, 0 while there is none.
qint64 TestSingleInstance::lockOwner() const
{
    const QStringList locks
        = QDir(m_dir->path()).entryList({ QStringLiteral("*.lock") }, QDir::Files);
    if (locks.size() != 1)
        return 0;
    QFile f(m_dir->filePath(locks.first()));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readLine().trimmed().toLongLong();
}

void TestSingleInstance::lockFollowsProcess_data()
{
    QTest::addColumn<bool>("killed");

    QTest::newRow("first exits") << false;
    // SIGKILL: no destructor runs, the lock file stays behind with a dead pid in it.
    QTest::newRow("first killed") << true;
}

void TestSingleInstance::lockFollowsProcess()
{
    QFETCH(bool, killed);

    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QCOMPARE(probe(id), QStringLiteral("primary"));
    QProcess first;
    QVERIFY(startHolder(first, id));
    QCOMPARE(probe(id), QStringLiteral("running"));
    // Another id is another application.
    QCOMPARE(probe(id + QStringLiteral("-other")), QStringLiteral("primary"));

    if (killed)
        first.kill();
    else
        first.closeWriteChannel();
    QVERIFY(first.waitForFinished(kProcessTimeout));
    QCOMPARE(first.exitStatus(), killed ? QProcess::CrashExit : QProcess::NormalExit);
    // The lock can be taken again and holds as before.
    QProcess second;
    QVERIFY(startHolder(second, id));
    QCOMPARE(probe(id), QStringLiteral("running"));
}

void TestSingleInstance::programRefusesSecondInstance()
{
    QProcess first;
    first.setProcessEnvironment(environment());
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QStringLiteral(ORVACONFIG_BIN), QStringList());
    QVERIFY(first.waitForStarted(kProcessTimeout));
    // Up once it holds the single-instance lock.
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(), first.processId(), kProcessTimeout);

    const QString log = m_dir->filePath(QStringLiteral("second-prompts.log"));
    QProcess second;
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("ORVACONFIG_PROMPT_LOG"), log);
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(ORVACONFIG_BIN), QStringList());
    QVERIFY(second.waitForFinished(kProcessTimeout));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    // main() returns -1, which the system reports as 255.
    QCOMPARE(second.exitCode(), 255);

    // One information box, one JSON line.
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject shown = QJsonDocument::fromJson(f.readAll()).object();
    QCOMPARE(shown.value(QStringLiteral("kind")).toString(), QStringLiteral("information"));
    QCOMPARE(shown.value(QStringLiteral("title")).toString(), QStringLiteral("Warning"));
    QCOMPARE(shown.value(QStringLiteral("text")).toString(),
        QStringLiteral("The application is already running!"));
    // The refused start left the first instance and its lock alone.
    QCOMPARE(first.state(), QProcess::Running);
    QCOMPARE(lockOwner(), first.processId());
    first.kill();
    QVERIFY(first.waitForFinished(kProcessTimeout));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
