// The "Настройки драйвера" tab worked as a user would: ports in the driver's files, refused
// while the driver runs; model data and printer through orvaemu's fiscal core service.

#include "drvnetworkwidget.h"
#include "fiscalcorefixture.h"
#include "frcoreconfig.h"
#include "frcoreexternalapi.h"
#include "frhttpconfig.h"
#include "frprintersettingspage.h"
#include "recordingprompts.h"
#include "servicecontroller.h"
#include "tempprofile.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

namespace {
struct FakeService : ServiceController
{
    explicit FakeService(bool runs) : ServiceController(DRIVER_SERVICE), runs(runs) { }
    bool install(const QString &, const QString &, const QString &) override { return false; }
    bool uninstall() override { return false; }
    bool start() override { return false; }
    bool stop() override { return false; }
    bool isInstalled() const override { return true; }
    bool isRunning() const override { return runs; }
    bool runs;
};
const QString PORTS = "?sbAtolPort,sbHttpPort;sbAtolPort=4444;sbHttpPort=8090;pbSave;?files";
const QString MODEL = "tab;?sbAtolModel,leAtolVersion;pbAtolReload;?sbAtolModel,leAtolVersion;";
const QString READ = "0;**.**.**.**.**;79;03.01.00.12.34;";
const QString PRINTER = "?cbPrinterModel,cbPrinterPort,cbPrinterBaudRate,sbSymbolsPerLine";
const QString LOADING = "critical|Printer settings loading|Settings loading timeout. Check "
                        "services are started.;";
const QString SAVING = "critical|Printer settings saving|Settings saving timeout. Check services "
                       "are started.;";
} // namespace

class TestDrvNetworkWidget : public QObject, private FiscalCoreFixture
{
    Q_OBJECT

    // What the user is shown in a field, or what the driver's files and the service hold.
    QString fact(const QString &what)
    {
        core::FrPrinterSettings s;
        if (what == "files")
            return QString("%1 %2").arg(FrCoreConfig().atolTcpPort()).arg(FrHttpConfig().port());
        if (what == "ver")
            return checker()->getAtolModelData().value("ver").toString();
        if (what == "port")
            return checker()->getPrinterSettings(s) ? s.portName() : "?";
        QWidget *w = child<QWidget>(qPrintable(what));
        for (const char *text : { "currentText", "displayText", "text" }) {
            if (w->property(text).isValid())
                return w->property(text).toString() + (w->isEnabled() ? "" : " (off)");
        }
        return "?";
    }

private slots:
    void initTestCase() { setUpRoot(); }
    void cleanupTestCase() { tearDownRoot(); }
    void init()
    {
        QFile::remove(FrCoreConfig::filePath());
        QFile::remove(FrHttpConfig::filePath());
        QDir(FrHttpConfig::filePath()).removeRecursively();
        setUpService();
    }
    void cleanup() { tearDownService(); }

    // Faults: a key's default lost, ports swapped, written while the driver runs or not written
    // in silence; a version part of one digit or a blank dropped, a refused form sent; "/dev/"
    // kept (no port selected), a missing port sent empty, the port enabled for the printer that
    // needs none; a silent service without its box, a form never loaded sent over the service's.
    void steps_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("seen");
        const QString box = "warning|Конфигурация драйвера|";
        QTest::newRow("ports") << "tab;" + PORTS << "3333;8088;4444 8090";
        QTest::newRow("ports, driver runs")
            << "frcore.conf:[CORE]\natolTcpPort=5555;frhttplistener.conf:[LISTENER]\nport=9090;"
               "tab:runs;"
                + PORTS
            << "5555;9090;" + box
                + "Перед сохранением настроек остановите сервис драйвера;5555 9090";
        QTest::newRow("ports, unwritable") << "frhttplistener.conf:/;tab;" + PORTS
                                           << "3333;8088;" + box
                + "Не удалось записать настройки в " + FrHttpConfig::filePath() + ";4444 8088";
        QTest::newRow("1.2.3.4.5")
            << MODEL + "leAtolVersion=1.2.3.4.5;pbAtolSave;?leAtolVersion,ver"
            << READ + "01.02.03.04.05;0102030405";
        QTest::newRow("blanks") << MODEL + "leAtolVersion=..5;pbAtolSave;?leAtolVersion,ver"
                                << READ + "00.05.00.00.00;0005000000";
        QTest::newRow("model 0") << MODEL + "sbAtolModel=0;pbAtolSave;?ver"
                                 << READ
                + "critical|Запись версии и модели|Не корректный номер модели;0301001234";
        QTest::newRow("/dev/ttyS1")
            << "printer:1,/dev/ttyS1,9600;tab;" + PRINTER + ";pbServiceModSave;?port"
            << "Принтер ESC/POS (RS-232);ttyS1;9600;32;/dev/ttyS1";
        QTest::newRow("image, defaults")
            << "printer:3,/dev/ttyS2,19200;tab;" + PRINTER + ";pbDefaults;" + PRINTER + ",port"
            << "Печать в файл изображения;ttyS2 (off);19200 (off);32;"
               "Принтер ESC/POS (RS-232);ttyS0;115200;48;/dev/ttyS0";
        QTest::newRow("no such port") << "printer:2,/dev/ttyUSB7,57600;tab;" + PRINTER
                + ";cbPrinterBaudRate=9600;pbServiceModSave;?port,cbPrinterBaudRate"
                                      << "CUSTOM VKP80 (RS-232);;57600;32;/dev/ttyUSB7;9600";
        QTest::newRow("service stops")
            << "tab;sbAtolModel=80;leAtolName=ORVA-100;down;pbAtolReload;pbAtolSave;"
               "pbServiceModeReload;pbServiceModSave;pbDefaults;?sbAtolModel,leAtolName"
            << "critical|Получение версии и модели|Ошибка получения версии и модели;"
               "critical|Запись версии и модели|Ошибка Записи версии и модели;"
                + LOADING + SAVING + SAVING + "80;ORVA-100";
        QTest::newRow("never loaded") << "down;tab;pbServiceModSave" << LOADING.chopped(1);
    }

    // Steps: "name=value" fills a field, "?a,b" notes facts, "file:text" writes a driver
    // file ("/": a folder in its place), "printer:type,port,rate" is the service's printer,
    // "down" stops the service, "tab" opens the tab ("tab:runs" with the driver running);
    // anything else is a button pressed. Every box shown is noted.
    void steps()
    {
        QFETCH(QString, steps);
        QStringList shown;
        for (const QString &step : steps.split(';')) {
            const QString name = step.section(QRegularExpression("[=:]"), 0, 0);
            const QString value = step.section(QRegularExpression("[=:]"), 1);
            const QStringList p = value.split(',');
            core::FrPrinterSettings s;
            QWidget *field = m_window->findChild<QWidget *>(name);
            if (step.startsWith('?')) {
                for (const QString &what : step.mid(1).split(','))
                    shown << fact(what);
            } else if (step.contains(".conf:")) {
                QVERIFY(value == "/" ? QDir().mkpath(m_profile->configDir() + '/' + name)
                                     : m_profile->writeConfig(name, value.toUtf8()));
            } else if (name == "printer") {
                QVERIFY(s.setMap({ { "type", p[0].toInt() }, { "portName", p[1] },
                    { "baudrate", p[2].toInt() }, { "symbolsPerLine", 32 } }));
                QVERIFY(checker()->setPrinterSettings(s));
            } else if (step == "down") {
                stopService();
            } else if (name == "tab") {
                child<DrvNetworkWidget>("wgtServiceNetwork")
                    ->setServiceController(new FakeService(value == "runs"));
                child<FrPrinterSettingsPage>("wPrinter")
                    ->setAvailablePorts({ "ttyS0", "ttyS1", "ttyS2" });
                child<QPushButton>("pbServiceMode")->click();
                child<QTabWidget>("serviceModTabs")->setCurrentIndex(1);
            } else if (auto *combo = qobject_cast<QComboBox *>(field)) {
                combo->setCurrentIndex(combo->findText(value));
            } else if (step.contains('=')) {
                QVERIFY2(field, qPrintable(step));
                field->setFocus();
                QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(field, value);
            } else {
                QVERIFY2(qobject_cast<QPushButton *>(field), qPrintable(step));
                QTest::mouseClick(field, Qt::LeftButton);
            }
            for (const UserPrompts::Request &r : m_prompts->requests)
                shown << UserPrompts::kindName(r.kind) + '|' + r.title + '|' + r.text;
            m_prompts->clear();
        }
        QTEST(shown.join(';'), "seen");
        QVERIFY(!m_window->waitWidget());
    }
};

QTEST_MAIN(TestDrvNetworkWidget)
#include "tst_drvnetworkwidget.moc"
