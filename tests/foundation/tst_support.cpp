#include "appversionmanager.h"
#include "dircreator.h"
#include "fileconfighelper.h"
#include "initconfig.h"
#include "sysutils.h"
#include "tempprofile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using qt5ext::AppVersion;
using qt5ext::AppVersionManager;
using qt5ext::DirCreator;
using qt5ext::FileConfigHelper;
using qt5ext::InitConfig;
using qt5ext::SysUtils;

namespace {
bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

// rwx for owner, group and others: the bits the file system stores.
const QFileDevice::Permissions ALL_BITS(QFlag(0x7077));

QFileDevice::Permissions storedBits(const QString &path)
{
    return QFileInfo(path).permissions() & ALL_BITS;
}

const QLocale RUSSIAN(QLocale::Russian, QLocale::Russia);
} // namespace

class TestSupport : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void configPersists_data();
    void configPersists();
    void configWriteFailure();
    void initConfig_data();
    void initConfig();
    void workDir();

    void dirCreator_data();
    void dirCreator();

    void versions();

    void unlockPort_data();
    void unlockPort();

private:
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestSupport::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestSupport::configPersists_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("integer") << QVariant(3333) << "3333";
    QTest::newRow("bool") << QVariant(true) << "true";
    // INI separators and comment characters inside a value.
    QTest::newRow("special characters")
        << QVariant(QStringLiteral("a, b; c = d # e")) << "a, b; c = d # e";
    QTest::newRow("cyrillic") << QVariant(QStringLiteral("ООО \"Ромашка\"")) << "ООО \"Ромашка\"";
    QTest::newRow("leading blanks") << QVariant(QStringLiteral("  47")) << "  47";
}

void TestSupport::configPersists()
{
    QFETCH(QVariant, value);
    QFETCH(QString, readBack);

    const QString path = m_dir->filePath(QStringLiteral("test.conf"));
    const QString group = QStringLiteral("FRCFG");
    const QString key = QStringLiteral("key");
    {
        FileConfigHelper writer(path);
        QVERIFY(!writer.contains(group, key));
        QVERIFY(writer.setValue(group, key, value));
    }
    // Written at once, not when the object goes: a second object sees it while the first lives.
    FileConfigHelper first(path);
    QVERIFY(first.setValue(group, QStringLiteral("other"), 1));
    const FileConfigHelper reader(path);
    QCOMPARE(reader.value(group, key, QStringLiteral("default")).toString(), readBack);
    QCOMPARE(reader.value(group, QStringLiteral("other")).toInt(), 1);
    // Keys are per group.
    QVERIFY(!reader.contains(QStringLiteral("ELSEWHERE"), key));
}

void TestSupport::configWriteFailure()
{
    // A regular file where the folder should be: the write cannot succeed, even as root.
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    QVERIFY(writeFile(blocker, "x"));
    FileConfigHelper config(blocker + QStringLiteral("/test.conf"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^CONFIG_WRITE_FAILED ")));
    QVERIFY(!config.setValue(QStringLiteral("G"), QStringLiteral("k"), 1));
}

void TestSupport::initConfig_data()
{
    QTest::addColumn<bool>("appConfig");
    QTest::addColumn<QByteArray>("content"); // "<none>": no file, "<dir>": a folder in its place
    QTest::addColumn<bool>("overridden");

    const QByteArray overrides = "[APP]\nloggerPath=/srv/orva/logs\n"
                                 "translationsPath=/srv/orva/tr\nlocale=en_US\n";
    QTest::newRow("missing file") << true << QByteArray("<none>") << false;
    QTest::newRow("directory in its place") << true << QByteArray("<dir>") << false;
    QTest::newRow("binary garbage")
        << true << QByteArray("\x00\xff\xfe[[[\x01\x02=\n\x7f", 11) << false;
    QTest::newRow("own file, overrides") << true << overrides << true;
    QTest::newRow("driver file, overrides ignored") << false << overrides << false;
    QTest::newRow("own file, overrides in another group")
        << true << QByteArray("[FRCFG]\nloggerPath=/srv/x\nlocale=en_US\n") << false;
}

void TestSupport::initConfig()
{
    QFETCH(bool, appConfig);
    QFETCH(QByteArray, content);
    QFETCH(bool, overridden);

    const QString path = m_dir->filePath(QStringLiteral("flag.conf"));
    if (content == "<dir>")
        QVERIFY(QDir().mkpath(path));
    else if (content != "<none>")
        QVERIFY(writeFile(path, content));
    const InitConfig config(path, appConfig);
    QCOMPARE(config.value(QStringLiteral("G"), QStringLiteral("key"), QStringLiteral("dflt")),
        QVariant(QStringLiteral("dflt")));
    QVERIFY(!config.contains(QStringLiteral("G"), QStringLiteral("key")));
    if (overridden) {
        QCOMPARE(config.loggerPath(), QStringLiteral("/srv/orva/logs"));
        QCOMPARE(config.translationsPath(), QStringLiteral("/srv/orva/tr"));
        QCOMPARE(config.locale(), QLocale(QLocale::English, QLocale::UnitedStates));
    } else {
        QCOMPARE(config.loggerPath(),
            InitConfig::workDir() + QStringLiteral("/logs/") + QCoreApplication::applicationName());
        QCOMPARE(config.translationsPath(),
            QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
        QCOMPARE(config.locale(), RUSSIAN);
    }
}

void TestSupport::workDir()
{
    const TempProfile profile;
    const QString savedName = InitConfig::appWorkDir();
    InitConfig::setAppWorkDir(QStringLiteral("ORVI"));
    QCOMPARE(InitConfig::workDir(), profile.path() + QStringLiteral("/ORVI"));
    const QString conf = profile.path() + QStringLiteral("/x.conf");
    QCOMPARE(InitConfig(conf, true).loggerPath(),
        profile.path() + QStringLiteral("/ORVI/logs/") + QCoreApplication::applicationName());
    // An unknown locale name keeps the default rather than falling back to "C".
    QVERIFY(writeFile(conf, "[APP]\nlocale=qq_QQ\n"));
    QCOMPARE(InitConfig(conf, true).locale(), RUSSIAN);
    InitConfig::setAppWorkDir(savedName);
}

void TestSupport::dirCreator_data()
{
    QTest::addColumn<QString>("existing"); // made before, with owner-only rights
    QTest::addColumn<QString>("file"); // a regular file made before
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("created"); // folders that must get the shared rights

    QTest::newRow("nested") << QString() << QString() << "a/b/c" << true
                            << QStringList { "a", "a/b", "a/b/c" };
    QTest::newRow("below existing") << "a" << QString() << "a/b" << true << QStringList { "a/b" };
    QTest::newRow("already there") << "a/b" << QString() << "a/b" << true << QStringList();
    QTest::newRow("dots and trailing slash")
        << QString() << QString() << "a/./x/../c/" << true << QStringList { "a", "a/c" };
    QTest::newRow("below a file") << QString() << "f"
                                  << "f/sub" << false << QStringList();
    QTest::newRow("is a file") << QString() << "f"
                               << "f" << false << QStringList();
}

void TestSupport::dirCreator()
{
    QFETCH(QString, existing);
    QFETCH(QString, file);
    QFETCH(QString, path);
    QFETCH(bool, result);
    QFETCH(QStringList, created);

    const QString root = m_dir->path() + QLatin1Char('/');
    const QFileDevice::Permissions ownerOnly
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (!existing.isEmpty()) {
        QVERIFY(QDir().mkpath(root + existing));
        for (QString p = existing; !p.isEmpty() && p != QLatin1String("."); p = QFileInfo(p).path())
            QVERIFY(QFile::setPermissions(root + p, ownerOnly));
    }
    if (!file.isEmpty())
        QVERIFY(writeFile(root + file, "x"));

    if (!result && path != file)
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("^DIR_CREATE_FAILED ")));
    QCOMPARE(DirCreator::checkAndCreate(root + path, DirCreator::DEFAULT_ALL), result);
    if (result)
        QVERIFY(QFileInfo(QDir::cleanPath(root + path)).isDir());
    else
        QVERIFY(QFileInfo(root + file).isFile());
    for (const QString &dir : qAsConst(created))
        QCOMPARE(storedBits(root + dir), ALL_BITS);
    // Folders that were there keep their rights.
    if (!existing.isEmpty())
        QCOMPARE(storedBits(root + existing), ownerOnly);
}

void TestSupport::versions()
{
    AppVersionManager::clear();
    AppVersionManager::addVersion(QStringLiteral("orvaconfig"),
        AppVersion(QStringLiteral("0.0.11"), QStringLiteral("2024-03-05T09:07:02")));
    const AppVersion v = AppVersionManager::version(QStringLiteral("orvaconfig"));
    QVERIFY(v.isValid());
    QCOMPARE(QList<int>({ v.major(), v.minor(), v.patch() }), QList<int>({ 0, 0, 11 }));
    QCOMPARE(v.buildDateTime(), QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2)));
    QVERIFY(AppVersion(QStringLiteral("0.0.9"), QString()) < v);
    QVERIFY(!AppVersionManager::version(QStringLiteral("unknown")).isValid());
    QVERIFY(!AppVersion(QStringLiteral("1.2"), QString()).isValid());

    // Localisations keep the order they came in, each once; an empty name is none.
    for (const char *name : { "zeta", "alpha", "", "zeta", "mid" })
        AppVersionManager::addLocalisation(QLatin1String(name));
    QCOMPARE(AppVersionManager::localisations(), QStringList({ "zeta", "alpha", "mid" }));
    AppVersionManager::clear();
}

void TestSupport::unlockPort_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("owner"); // "dead", "live" or "none" (no lock file)
    QTest::addColumn<bool>("binaryPid");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("removed");

    QTest::newRow("stale lock") << "ttyS0"
                                << "dead" << false << false << true;
    QTest::newRow("live owner kept") << "ttyS0"
                                     << "live" << false << false << false;
    // A binary pid that did not parse would read as a dead owner.
    QTest::newRow("live binary owner kept") << "ttyUSB1"
                                            << "live" << true << false << false;
    QTest::newRow("live owner forced") << "ttyS0"
                                       << "live" << false << true << true;
    QTest::newRow("device path") << "/dev/ttyUSB0"
                                 << "dead" << false << false << true;
    QTest::newRow("no lock") << "ttyS3"
                             << "none" << false << false << true;
}

void TestSupport::unlockPort()
{
    QFETCH(QString, port);
    QFETCH(QString, owner);
    QFETCH(bool, binaryPid);
    QFETCH(bool, force);
    QFETCH(bool, removed);

    qint64 pid = QCoreApplication::applicationPid();
    if (owner == QLatin1String("dead")) {
        // A process that has ended and been reaped: its pid names nobody.
        QProcess p;
        p.start(QStringLiteral("true"), QStringList());
        QVERIFY(p.waitForStarted(10000));
        pid = p.processId();
        QVERIFY(p.waitForFinished(10000));
    }

    const QStringList savedDirs = SysUtils::lockDirectories();
    const QString lockDir = m_dir->filePath(QStringLiteral("lock"));
    QVERIFY(QDir().mkpath(lockDir));
    SysUtils::setLockDirectories({ m_dir->filePath(QStringLiteral("empty")), lockDir });
    const QString lockFile = lockDir + QStringLiteral("/LCK..") + QFileInfo(port).fileName();
    if (owner != QLatin1String("none")) {
        const qint32 bin = qint32(pid);
        // Binary or HDB style (ten columns and a newline).
        QVERIFY(writeFile(lockFile,
            binaryPid ? QByteArray(reinterpret_cast<const char *>(&bin), 4)
                      : QString::asprintf("%10lld\n", pid).toLatin1()));
    }
    // An unrelated port's lock is never touched.
    const QString otherLock = lockDir + QStringLiteral("/LCK..ttyS9");
    QVERIFY(writeFile(otherLock, "1\n"));

    QCOMPARE(SysUtils::unlockPort(port, force), removed);
    QCOMPARE(QFile::exists(lockFile), !removed);
    QVERIFY(QFile::exists(otherLock));
    SysUtils::setLockDirectories(savedDirs);
}

QTEST_GUILESS_MAIN(TestSupport)
#include "tst_support.moc"
