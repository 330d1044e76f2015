#include "appversionmanager.h"
#include "frcfgroot.h"
#include "initconfig.h"
#include "loggermanager.h"
#include "sessionmanager.h"
#include "tempprofile.h"

#include <QLoggingCategory>
#include <QTextCodec>
#include <QTranslator>
#include <QtTest>

using qt5ext::AppVersionManager;
using qt5ext::LoggerManager;

namespace {
// Counts the language changes the application object is told about: one per installed
// translator.
class LanguageChangeCounter : public QObject
{
public:
    LanguageChangeCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~LanguageChangeCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::LanguageChange)
            ++count;
        return false;
    }
};

char kArg0[] = "tst_frcfgroot";
} // namespace

class TestFrCfgRoot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void constructor();
    void setUpLocale_data();
    void setUpLocale();
    void singletonKeepsFirst();

private:
    bool placeCatalogues(const QStringList &names);
    bool writeAppGroup(const QString &extra);

    QScopedPointer<TempProfile> m_profile;
    QString m_trDir;
    FrCfgRoot *m_root = nullptr;
    int m_argc = 1;
    char *m_argv[2] = { kArg0, nullptr };
};

bool TestFrCfgRoot::writeAppGroup(const QString &extra)
{
    return m_profile->writeConfig(QStringLiteral("orvacfg.conf"),
        ("[APP]\ntranslationsPath=" + m_trDir + QLatin1Char('\n') + extra).toUtf8());
}

void TestFrCfgRoot::initTestCase()
{
    m_profile.reset(new TempProfile);
    m_trDir = m_profile->path() + QStringLiteral("/translations");
    QVERIFY(QDir().mkpath(m_trDir));
    QVERIFY(writeAppGroup(QString()));

    // What the entry point does before it builds the root.
    AppVersionManager::clear();
    AppVersionManager::addLocalisation(QStringLiteral("cashbox"));
    qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));

    QCoreApplication *app = QCoreApplication::instance();
    m_root = new FrCfgRoot(m_argc, m_argv);
    // The test's application object stays the one.
    QCOMPARE(QCoreApplication::instance(), app);
}

void TestFrCfgRoot::cleanupTestCase()
{
    delete m_root;
    m_root = nullptr;
    QCOMPARE(FrCfgRoot::instance(), nullptr);
    LoggerManager::releaseLog();
    m_profile.reset();
}

void TestFrCfgRoot::cleanup()
{
    // The root's translators are children of the application object.
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

// Copies of the test catalogue under the given names; a leading '!' makes a broken file.
bool TestFrCfgRoot::placeCatalogues(const QStringList &names)
{
    for (const QString &name : names) {
        const QString target = m_trDir + QLatin1Char('/') + QString(name).remove(QLatin1Char('!'));
        if (name.startsWith(QLatin1Char('!'))) {
            QFile f(target);
            if (!f.open(QIODevice::WriteOnly) || f.write("not a catalogue") < 0)
                return false;
        } else if (!QFile::copy(QStringLiteral(TEST_QM_FILE), target)) {
            return false;
        }
    }
    return true;
}

void TestFrCfgRoot::constructor()
{
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("orvaconfig"));
    QCOMPARE(FrCfgRoot::instance(), m_root);
    QCOMPARE(m_root->sessionManager()->parent(), m_root);
    QCOMPARE(m_root->mainWindow(), nullptr);

    // Logging goes to files below the configurator's work folder, debug lines included.
    QCOMPARE(LoggerManager::debugOuts(), 1);
    const QString logFile
        = m_profile->path() + QStringLiteral("/ORVI/logs/orvaconfig/orvaconfig.log");
    QCOMPARE(LoggerManager::currentFile(), logFile);
    QVERIFY(QLoggingCategory::defaultCategory()->isDebugEnabled());
    qDebug("ROOT_TEST_LINE");
    QFile f(logFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(f.readAll())
                .contains(QRegularExpression(QStringLiteral(" D [0-9a-f]+ ROOT_TEST_LINE\n"))));

    QCOMPARE(AppVersionManager::localisations(),
        QStringList({ QStringLiteral("cashbox"), QStringLiteral("frconfigurator") }));
    QCOMPARE(FrCfgRoot::translationNames(),
        QStringList({ QStringLiteral("qt"), QStringLiteral("qtbase"), QStringLiteral("cashbox"),
            QStringLiteral("frconfigurator") }));
}

void TestFrCfgRoot::setUpLocale_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("setting"); // "-": the locale is passed in; empty: none stored
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("installed");

    const QStringList cashbox { "cashbox_ru.qm" };
    QTest::newRow("nothing there") << QStringList() << "-"
                                   << "ru_RU" << 0;
    QTest::newRow("cashbox") << cashbox << "-"
                             << "ru_RU" << 1;
    QTest::newRow("full locale name") << QStringList { "frconfigurator_ru_RU.qm" } << "-"
                                      << "ru_RU" << 1;
    QTest::newRow("all four") << QStringList { "qt_ru.qm", "qtbase_ru.qm", "cashbox_ru.qm",
        "frconfigurator_ru.qm" }
                              << "-"
                              << "ru_RU" << 4;
    QTest::newRow("other language") << QStringList { "cashbox_de.qm" } << "-"
                                    << "ru_RU" << 0;
    QTest::newRow("english locale") << cashbox << "-"
                                    << "en_US" << 0;
    QTest::newRow("unknown name") << QStringList { "orvaconfig_ru.qm" } << "-"
                                  << "ru_RU" << 0;
    QTest::newRow("broken file") << QStringList { "!cashbox_ru.qm" } << "-"
                                 << "ru_RU" << 0;
    QTest::newRow("broken beside good")
        << QStringList { "!qtbase_ru.qm", "frconfigurator_ru.qm" } << "-"
        << "ru_RU" << 1;
    QTest::newRow("settings: Russian by default") << cashbox << QString() << "ru_RU" << 1;
    QTest::newRow("settings: English") << cashbox << "en_US"
                                       << "en_US" << 0;
}

void TestFrCfgRoot::setUpLocale()
{
    QFETCH(QStringList, files);
    QFETCH(QString, setting);
    QFETCH(QString, locale);
    QFETCH(int, installed);

    QVERIFY(placeCatalogues(files));
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-5"));
    LanguageChangeCounter counter;
    if (setting == QLatin1String("-")) {
        m_root->setUpLocale(QLocale(locale));
    } else {
        QVERIFY(writeAppGroup(setting.isEmpty() ? QString() : QStringLiteral("locale=") + setting));
        m_root->setUpLocale();
    }

    QCOMPARE(counter.count, installed);
    QCOMPARE(QCoreApplication::translate("TestCatalogue", "Connection"),
        installed ? QStringLiteral("Соединение") : QStringLiteral("Connection"));
    QCOMPARE(QLocale().name(), locale);
    QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
}

void TestFrCfgRoot::singletonKeepsFirst()
{
    QCOMPARE(FrCfgRoot::instance(), m_root);
    auto *second = new FrCfgRoot(m_argc, m_argv);
    QCOMPARE(FrCfgRoot::instance(), m_root);
    delete second;
    // Only the holder clears the slot.
    QCOMPARE(FrCfgRoot::instance(), m_root);
}

QTEST_MAIN(TestFrCfgRoot)
#include "tst_frcfgroot.moc"
