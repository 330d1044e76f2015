// The driver tab as a user works it, with orvaemu's fiscal core service and a fake driver service.

#include "buspagetest.h"
#include "drvnetworkwidget.h"
#include "frcoreexternalapi.h"
#include "frhttpconfig.h"
#include "frprintersettingspage.h"
#include "recordingprompts.h"
#include "servicecontroller.h"
#include "tempprofile.h"

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
const QString PORTS = "?sbAtolPort,sbHttpPort;sbAtolPort=4444;sbHttpPort=8090;pbSave;pbReload;?"
                      "sbAtolPort,sbHttpPort";
const QString MODEL = "tab;?sbAtolModel,leAtolVersion;pbAtolReload;?sbAtolModel,leAtolVersion;";
const QString READ = "0;**.**.**.**.**;79;03.01.00.12.34;";
const QString PRINTER = "?cbPrinterModel,cbPrinterPort,cbPrinterBaudRate,sbSymbolsPerLine";
const QString TIMEOUT
    = "critical|Printer settings %1|Settings %1 timeout. Check services are started.;";
const QString LOADING = TIMEOUT.arg("loading"), SAVING = TIMEOUT.arg("saving");
} // namespace

class TestDrvNetworkWidget : public BusPageTest
{
    Q_OBJECT

    // What a field shows, or what the service holds.
    QString fact(const QString &what)
    {
        core::FrPrinterSettings s;
        QWidget *w = m_window->findChild<QWidget *>(what);
        if (what == "ver")
            return m_checker->getAtolModelData().value("ver").toString();
        if (what == "port")
            return m_checker->getPrinterSettings(s) ? s.portName() : "?";
        const char *text = w->inherits("QComboBox") ? "currentText"
            : w->inherits("QLineEdit")              ? "displayText"
                                                    : "text";
        return w->property(text).toString() + (w->isEnabled() ? "" : " (off)");
    }

private slots:
    // Faults: a key's default lost, ports swapped, written while the driver runs or not written
    // in silence; a version part of one digit or a blank dropped, a refused form sent; "/dev/"
    // kept (no port selected), the port enabled for the printer that needs none; a silent
    // service without its box, a form never loaded sent over the service's.
    void steps_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("seen");
        const QString box = "warning|Конфигурация драйвера|", escpos = "Принтер ESC/POS (RS-232)";
        // clang-format off
        QTest::newRow("ports, driver runs, then not")
            << "frcore.conf:[CORE]\natolTcpPort=5555;frhttplistener.conf:[LISTENER]\nport=9090;"
               "tab:runs;" + PORTS + ";tab;" + PORTS
            << "5555;9090;" + box + "Перед сохранением настроек остановите сервис драйвера;"
               "5555;9090;5555;9090;4444;8090";
        QTest::newRow("ports, unwritable") << "frcore.conf:;frhttplistener.conf:/;tab;" + PORTS
            << "3333;8088;" + box + "Не удалось записать настройки в " + FrHttpConfig::filePath()
               + ";4444;8088";
        QTest::newRow("model data") << MODEL + "sbAtolModel=0;pbAtolSave;?ver;sbAtolModel=80;"
               "leAtolVersion=1.2.3.4.5;pbAtolSave;?leAtolVersion,ver;"
               "leAtolVersion=..5;pbAtolSave;?leAtolVersion,ver"
            << READ + "critical|Запись версии и модели|Не корректный номер модели;0301001234;"
               "01.02.03.04.05;0102030405;00.05.00.00.00;0005000000";
        QTest::newRow("printer")
            << "printer:1,/dev/ttyS1,9600;tab;" + PRINTER + ";pbServiceModSave;?port;"
               "printer:3,/dev/ttyS2,19200;pbServiceModeReload;" + PRINTER + ";pbDefaults;"
               + PRINTER + ",port"
            << escpos + ";ttyS1;9600;32;/dev/ttyS1;Печать в файл изображения;ttyS2 (off);"
               "19200 (off);32;" + escpos + ";ttyS0;115200;48;/dev/ttyS0";
        QTest::newRow("service stops") << "tab;sbAtolModel=80;leAtolName=ORVA-100;down;"
               "pbAtolReload;pbAtolSave;pbServiceModeReload;pbServiceModSave;pbDefaults;"
               "?sbAtolModel,leAtolName"
            << "critical|Получение версии и модели|Ошибка получения версии и модели;"
               "critical|Запись версии и модели|Ошибка Записи версии и модели;"
               + LOADING + SAVING + SAVING + "80;ORVA-100";
        QTest::newRow("never loaded") << "down;tab;pbServiceModSave" << LOADING.chopped(1);
        // clang-format on
    }

    // "name=value" types into a field, "?a,b" notes facts, "x.conf:text" writes a driver file
    // ("/": a folder), "printer:type,port,rate" sets the service's, "down" stops it, "tab" opens
    // the tab ("tab:runs": the driver runs), else a button is pressed. Every box is noted.
    void steps()
    {
        QFETCH(QString, steps);
        QStringList shown;
        for (const QString &step : steps.split(';')) {
            const QString name = step.section(QRegularExpression("[=:]"), 0, 0);
            const QString value = step.section(QRegularExpression("[=:]"), 1);
            const QStringList p = value.split(',');
            QWidget *field = m_window->findChild<QWidget *>(name);
            if (step.startsWith('?')) {
                for (const QString &what : step.mid(1).split(','))
                    shown << fact(what);
            } else if (step.contains(".conf:")) {
                QFile::remove(m_profile->configDir() + '/' + name);
                QVERIFY(value == "/" ? QDir().mkpath(m_profile->configDir() + '/' + name)
                                     : m_profile->writeConfig(name, value.toUtf8()));
            } else if (core::FrPrinterSettings s; name == "printer") {
                QVERIFY(s.setMap({ { "type", p[0].toInt() }, { "portName", p[1] },
                    { "baudrate", p[2].toInt() }, { "symbolsPerLine", 32 } }));
                QVERIFY(m_checker->setPrinterSettings(s));
            } else if (step == "down") {
                stopService();
            } else if (name == "tab") {
                child<DrvNetworkWidget>("wgtServiceNetwork")
                    ->setServiceController(new FakeService(value == "runs"));
                child<FrPrinterSettingsPage>("wPrinter")
                    ->setAvailablePorts({ "ttyS0", "ttyS1", "ttyS2" });
                child<QTabWidget>("serviceModTabs")->setCurrentIndex(1);
            } else if (!field) {
                QFAIL(qPrintable(step));
            } else if (step.contains('=')) {
                field->setFocus();
                QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(field, value);
            } else {
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
