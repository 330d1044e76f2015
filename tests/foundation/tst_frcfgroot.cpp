#include "appversionmanager.h"
#include "frcfgroot.h"
#include "initconfig.h"
#include "loggermanager.h"
#include "tempprofile.h"

#include <QTextCodec>
#include <QTranslator>
#include <QtTest>

using qt5ext::LoggerManager;

namespace {
char kArg0[] = "tst_frcfgroot";
} // namespace

class TestFrCfgRoot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void logsBelowWorkFolder();
    void setUpLocale_data();
    void setUpLocale();
    void singletonKeepsFirst();

private:
    bool writeAppGroup(const QString &extra)
    {
        return m_profile->writeConfig(QStringLiteral("orvacfg.conf"),
            ("[APP]\ntranslationsPath=" + m_trDir + QLatin1Char('\n') + extra).toUtf8());
    }

    QScopedPointer<TempProfile> m_profile;
    QString m_trDir;
    FrCfgRoot *m_root = nullptr;
    int m_argc = 1;
    char *m_argv[2] = { kArg0, nullptr };
};

void TestFrCfgRoot::initTestCase()
{
    m_profile.reset(new TempProfile);
    m_trDir = m_profile->path() + QStringLiteral("/translations");
    QVERIFY(QDir().mkpath(m_trDir));
    QVERIFY(writeAppGroup(QString()));
    // What the entry point does before it builds the root.
    qt5ext::AppVersionManager::clear();
    qt5ext::AppVersionManager::addLocalisation(QStringLiteral("cashbox"));
    qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));
    m_root = new FrCfgRoot(m_argc, m_argv);
}

void TestFrCfgRoot::cleanupTestCase()
{
    delete m_root;
    QCOMPARE(FrCfgRoot::instance(), nullptr);
    LoggerManager::releaseLog();
    m_profile.reset();
}

void TestFrCfgRoot::cleanup()
{
    for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>(
             QString(), Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    QDir dir(m_trDir);
    for (const QString &f : dir.entryList(QDir::Files))
        dir.remove(f);
    writeAppGroup(QString());
}

void TestFrCfgRoot::logsBelowWorkFolder()
{
    // Debug lines included.
    const QString logFile
        = m_profile->path() + QStringLiteral("/ORVI/logs/orvaconfig/orvaconfig.log");
    QCOMPARE(LoggerManager::currentFile(), logFile);
    qDebug("ROOT_TEST_LINE");
    QFile f(logFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(f.readAll())
                .contains(QRegularExpression(QStringLiteral(" D [0-9a-f]+ ROOT_TEST_LINE\n"))));
}

void TestFrCfgRoot::setUpLocale_data()
{
    QTest::addColumn<QStringList>("files"); // catalogues; a leading '!' makes a broken one
    QTest::addColumn<QString>("setting"); // "-": the locale is passed in; empty: none stored
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("installed");

    auto row = [](const char *name, const QStringList &files, const QString &setting,
                   const char *locale, int installed) {
        QTest::newRow(name) << files << setting << QString(locale) << installed;
    };
    row("all four", { "qt_ru.qm", "qtbase_ru.qm", "cashbox_ru.qm", "frconfigurator_ru.qm" }, "-",
        "ru_RU", 4);
    row("unknown name", { "orvaconfig_ru.qm" }, "-", "ru_RU", 0);
    row("broken beside good", { "!qtbase_ru.qm", "frconfigurator_ru.qm" }, "-", "ru_RU", 1);
    row("settings: Russian by default", { "cashbox_ru.qm" }, QString(), "ru_RU", 1);
    row("settings: English", { "cashbox_ru.qm" }, "en_US", "en_US", 0);
}

void TestFrCfgRoot::setUpLocale()
{
    QFETCH(QStringList, files);
    QFETCH(QString, setting);
    QFETCH(QString, locale);
    QFETCH(int, installed);

    for (const QString &name : qAsConst(files)) {
        const QString target = m_trDir + QLatin1Char('/') + QString(name).remove(QLatin1Char('!'));
        if (name.startsWith(QLatin1Char('!'))) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not a catalogue") > 0);
        } else {
            QVERIFY(QFile::copy(QStringLiteral(TEST_QM_FILE), target));
        }
    }
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-5"));
    if (setting == QLatin1String("-")) {
        m_root->setUpLocale(QLocale(locale));
    } else {
        QVERIFY(writeAppGroup(setting.isEmpty() ? QString() : QStringLiteral("locale=") + setting));
        m_root->setUpLocale();
    }
    // The root's translators are children of the application object; the failed ones go.
    QCOMPARE(QCoreApplication::instance()
                 ->findChildren<QTranslator *>(QString(), Qt::FindDirectChildrenOnly)
                 .size(),
        installed);
    QCOMPARE(QCoreApplication::translate("TestCatalogue", "Connection"),
        installed ? QStringLiteral("Соединение") : QStringLiteral("Connection"));
    QCOMPARE(QLocale().name(), locale);
    QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
}

void TestFrCfgRoot::singletonKeepsFirst()
{
    QCOMPARE(FrCfgRoot::instance(), m_root);
    delete new FrCfgRoot(m_argc, m_argv);
    // Only the holder clears the slot.
    QCOMPARE(FrCfgRoot::instance(), m_root);
}

QTEST_MAIN(TestFrCfgRoot)
#include "tst_frcfgroot.moc"
