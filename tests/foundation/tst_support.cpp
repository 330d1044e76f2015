#include "dircreator.h"
#include "fileconfighelper.h"
#include "initconfig.h"
#include "sysutils.h"
#include "tempprofile.h"

#include <QtTest>

using namespace qt5ext;

namespace {
bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

// rwx for owner, group and others: the bits the file system stores.
const QFileDevice::Permissions ALL_BITS(QFlag(0x7077));
} // namespace

class TestSupport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitConfig::setAppWorkDir(QStringLiteral("ORVI")); }
    void init() { m_profile.reset(new TempProfile); }
    void cleanup() { m_profile.reset(); }

    void configPersists();
    void initConfig_data();
    void initConfig();
    void dirCreator_data();
    void dirCreator();
    void unlockPort_data();
    void unlockPort();

private:
    QString file(const QString &name) const { return m_profile->path() + QLatin1Char('/') + name; }
    QScopedPointer<TempProfile> m_profile;
};

void TestSupport::configPersists()
{
    const QString path = file(QStringLiteral("test.conf"));
    const QString text = QStringLiteral("  ООО \"Ромашка\", a; b = c # d");
    FileConfigHelper writer(path);
    QVERIFY(!writer.contains(QStringLiteral("FRCFG"), QStringLiteral("key")));
    QVERIFY(writer.setValue(QStringLiteral("FRCFG"), QStringLiteral("key"), text));
    // Written at once, not when the object goes: a second object sees it while the first lives.
    const FileConfigHelper reader(path);
    QCOMPARE(reader.value(QStringLiteral("FRCFG"), QStringLiteral("key")).toString(), text);
    QVERIFY(!reader.contains(QStringLiteral("ELSEWHERE"), QStringLiteral("key")));

    // A regular file where the folder should be: the write cannot succeed, even as root.
    FileConfigHelper blocked(path + QStringLiteral("/test.conf"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^CONFIG_WRITE_FAILED ")));
    QVERIFY(!blocked.setValue(QStringLiteral("G"), QStringLiteral("k"), 1));
}

void TestSupport::initConfig_data()
{
    QTest::addColumn<bool>("appConfig");
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<bool>("overridden");

    const QByteArray overrides = "[APP]\nloggerPath=/srv/orva/logs\n"
                                 "translationsPath=/srv/orva/tr\nlocale=en_US\n";
    QTest::newRow("missing file") << true << QByteArray() << false;
    QTest::newRow("own file, overrides") << true << overrides << true;
    QTest::newRow("driver file, overrides ignored") << false << overrides << false;
    QTest::newRow("own file, overrides in another group")
        << true << QByteArray("[FRCFG]\nloggerPath=/srv/x\nlocale=en_US\n") << false;
    // Not "C", which is what QLocale makes of a name it does not know.
    QTest::newRow("unknown locale") << true << QByteArray("[APP]\nlocale=qq_QQ\n") << false;
}

void TestSupport::initConfig()
{
    QFETCH(bool, appConfig);
    QFETCH(QByteArray, content);
    QFETCH(bool, overridden);

    const QString path = file(QStringLiteral("flag.conf"));
    if (!content.isEmpty())
        QVERIFY(writeFile(path, content));
    const InitConfig config(path, appConfig);
    QCOMPARE(InitConfig::workDir(), m_profile->path() + QStringLiteral("/ORVI"));
    if (overridden) {
        QCOMPARE(config.loggerPath(), QStringLiteral("/srv/orva/logs"));
        QCOMPARE(config.translationsPath(), QStringLiteral("/srv/orva/tr"));
        QCOMPARE(config.locale(), QLocale(QLocale::English, QLocale::UnitedStates));
    } else {
        QCOMPARE(config.loggerPath(),
            m_profile->path() + QStringLiteral("/ORVI/logs/")
                + QCoreApplication::applicationName());
        QCOMPARE(config.translationsPath(),
            QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
        QCOMPARE(config.locale(), QLocale(QLocale::Russian, QLocale::Russia));
    }
}

void TestSupport::dirCreator_data()
{
    QTest::addColumn<QString>("existing"); // made before, with owner-only rights
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("created"); // folders that must get the shared rights; empty:
                                              // the call fails

    QTest::newRow("nested") << QString() << "a/b/c" << QStringList { "a", "a/b", "a/b/c" };
    QTest::newRow("below existing") << QString("a") << "a/b" << QStringList { "a/b" };
    QTest::newRow("dots and trailing slash")
        << QString() << "a/./x/../c/" << QStringList { "a", "a/c" };
    QTest::newRow("below a file") << QString() << "file/sub" << QStringList();
}

void TestSupport::dirCreator()
{
    QFETCH(QString, existing);
    QFETCH(QString, path);
    QFETCH(QStringList, created);

    const QFileDevice::Permissions ownerOnly
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (!existing.isEmpty()) {
        QVERIFY(QDir().mkpath(file(existing)));
        QVERIFY(QFile::setPermissions(file(existing), ownerOnly));
    }
    QVERIFY(writeFile(file(QStringLiteral("file")), "x"));
    if (created.isEmpty())
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("^DIR_CREATE_FAILED ")));
    QCOMPARE(DirCreator::checkAndCreate(file(path), DirCreator::DEFAULT_ALL), !created.isEmpty());
    for (const QString &dir : qAsConst(created))
        QCOMPARE(QFileInfo(file(dir)).permissions() & ALL_BITS, ALL_BITS);
    // Folders that were there keep their rights.
    if (!existing.isEmpty())
        QCOMPARE(QFileInfo(file(existing)).permissions() & ALL_BITS, ownerOnly);
}

void TestSupport::unlockPort_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("owner"); // "dead", "live" or "none" (no lock file)
    QTest::addColumn<bool>("binaryPid");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("removed");

    auto row = [](const char *name, const char *port, const char *owner, bool binaryPid, bool force,
                   bool removed) {
        QTest::newRow(name) << QString(port) << QString(owner) << binaryPid << force << removed;
    };
    row("stale lock", "ttyS0", "dead", false, false, true);
    row("live owner kept", "ttyS0", "live", false, false, false);
    // A binary pid that did not parse would read as a dead owner.
    row("live binary owner kept", "ttyUSB1", "live", true, false, false);
    row("live owner forced", "ttyS0", "live", false, true, true);
    row("device path", "/dev/ttyUSB0", "dead", false, false, true);
    row("no lock", "ttyS3", "none", false, false, true);
}

void TestSupport::unlockPort()
{
    QFETCH(QString, port);
    QFETCH(QString, owner);
    QFETCH(bool, binaryPid);
    QFETCH(bool, force);
    QFETCH(bool, removed);

    // No process can have a pid above the kernel's limit (2^22 at most).
    const qint64 pid
        = owner == QLatin1String("dead") ? 0x7FFFFFFF : QCoreApplication::applicationPid();
    const QStringList savedDirs = SysUtils::lockDirectories();
    const QString lockDir = file(QStringLiteral("lock"));
    QVERIFY(QDir().mkpath(lockDir));
    SysUtils::setLockDirectories({ file(QStringLiteral("empty")), lockDir });
    const QString lockFile = lockDir + QStringLiteral("/LCK..") + QFileInfo(port).fileName();
    if (owner != QLatin1String("none")) {
        const qint32 bin = qint32(pid);
        // Binary or HDB style (ten columns and a newline).
        QVERIFY(writeFile(lockFile,
            binaryPid ? QByteArray(reinterpret_cast<const char *>(&bin), 4)
                      : QString::asprintf("%10lld\n", pid).toLatin1()));
    }
    // An unrelated port's lock is never touched.
    QVERIFY(writeFile(lockDir + QStringLiteral("/LCK..ttyS9"), "1\n"));

    QCOMPARE(SysUtils::unlockPort(port, force), removed);
    SysUtils::setLockDirectories(savedDirs);
    QCOMPARE(QFile::exists(lockFile), !removed);
    QVERIFY(QFile::exists(lockDir + QStringLiteral("/LCK..ttyS9")));
}

QTEST_GUILESS_MAIN(TestSupport)
#include "tst_support.moc"
