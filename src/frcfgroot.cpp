#include "frcfgroot.h"

#include "appversionmanager.h"
#include "cashboxbuscontroller.h"
#include "frcfgsettings.h"
#include "frcommandscontroller.h"
#include "loggermanager.h"
#include "mainwindow.h"
#include "qtsingleapplication.h"
#include "sessionmanager.h"
#include "userprompts.h"
#include "waitmessagewidget.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QTextCodec>
#include <QTranslator>

using qt5ext::AppVersionManager;
using qt5ext::LoggerManager;

FrCfgRoot::FrCfgRoot(int &argc, char **argv) : QObject(nullptr)
{
    claimInstance(this);
    m_commandsController = new FrCommandsController();
    m_sessionManager = new SessionManager(this);
    m_busController = new CashboxBusController(this);

    if (!QCoreApplication::instance())
        new QtSingleApplication(argc, argv, true);
    QCoreApplication::setApplicationName(QStringLiteral("orvaconfig"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orva.ru"));
    QCoreApplication::setOrganizationName(QStringLiteral("ORVA"));
    QCoreApplication::setApplicationVersion(QStringLiteral("0.0.11"));

    LoggerManager::setDebugOuts(LoggerManager::FileOutput);
    FrCfgSettings settings;
    LoggerManager::initLog(settings.loggerPath(), 10, QtDebugMsg);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=true"));
    AppVersionManager::addLocalisation(QStringLiteral("frconfigurator"));
}

FrCfgRoot::~FrCfgRoot()
{
    if (m_commandsController) {
        m_commandsController->stop();
        delete m_commandsController;
        m_commandsController = nullptr;
    }
    releaseInstance(this);
}

bool FrCfgRoot::init()
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("System"));
    auto *app = qobject_cast<QtSingleApplication *>(QCoreApplication::instance());
    if (app && app->isRunning()) {
        UserPrompts::information(nullptr, tr("Warning"), tr("The application is already running!"));
        QCoreApplication::quit();
        return false;
    }
    setUpLocale();
    startBusController();
    return true;
}

void FrCfgRoot::setUpLocale()
{
    FrCfgSettings settings;
    setUpLocale(settings.locale());
}

QStringList FrCfgRoot::translationNames()
{
    QStringList names = AppVersionManager::localisations();
    names.prepend(QStringLiteral("qtbase"));
    names.prepend(QStringLiteral("qt"));
    return names;
}

void FrCfgRoot::setUpLocale(QLocale locale)
{
    const QStringList names = translationNames();
    QLocale::setDefault(locale);
    FrCfgSettings settings;
    const QString dir = settings.translationsPath();
    for (const QString &name : names) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(locale, name, QStringLiteral("_"), dir, QStringLiteral(".qm"))) {
            QCoreApplication::installTranslator(translator);
            qDebug().noquote() << "TRANSLATION_LOADED" << name << locale.name();
        } else {
            delete translator;
        }
    }
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

int FrCfgRoot::run()
{
    MainWindow window(m_sessionManager);
    m_mainWindow = &window;
    window.showMaximized();
    const int code = QApplication::exec();
    stopCommandsController();
    stopBusController();
    m_mainWindow = nullptr;
    LoggerManager::releaseLog();
    return code;
}

void FrCfgRoot::startCommandsController()
{
    if (m_commandsController)
        m_commandsController->start();
}

WaitMessageWidget *FrCfgRoot::showWaitWidget(const QString &text, bool modal)
{
    return m_mainWindow ? m_mainWindow->showWaitWidget(text, modal) : nullptr;
}

void FrCfgRoot::hideWaitWidget()
{
    if (m_mainWindow)
        m_mainWindow->hideWaitWidget();
}

void FrCfgRoot::stopCommandsController()
{
    if (m_commandsController)
        m_commandsController->stop();
}

void FrCfgRoot::startBusController()
{
    if (m_busController)
        m_busController->start();
}

void FrCfgRoot::stopBusController()
{
    if (m_busController)
        m_busController->stop();
}
