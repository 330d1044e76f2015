#include "waitcommandwidget.h"

#include "franswers.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "frportsettings.h"
#include "logstream.h"
#include "userprompts.h"

#include <QDebug>
#include <QTextCodec>

namespace {
const char REGISTER_CODEC[] = "CP866";

QTextCodec *registerCodec()
{
    return QTextCodec::codecForName(REGISTER_CODEC);
}

FrCommandsController *rootController()
{
    FrCfgRoot *root = FrCfgRoot::instance();
    return root ? root->commandsController() : nullptr;
}
} // namespace

WaitCommandWidget::WaitCommandWidget(QWidget *parent)
    : QWidget(parent),
      m_decoder(registerCodec()->makeDecoder()),
      m_encoder(registerCodec()->makeEncoder()),
      m_controller(rootController())
{
    if (m_controller) {
        // Connected before the changer exists, so a page hears of a forced stop before the
        // change it was waiting for is ended.
        connect(m_controller, &FrCommandsController::needForceStopAll, this,
            &WaitCommandWidget::p_forceStopAllHandler);
    }
    m_changer = new FrModeChanger(m_controller, this);
    // A timeout goes through changeFrMode again, so a link that dropped meanwhile is
    // offered to the user once more.
    m_changer->setRestartOnTimeout(false);
    connect(
        m_changer, &FrModeChanger::stateWaitTimedOut, this, &WaitCommandWidget::p_waitStateTimout);
    // Results reach the page from inside the controller's signals. A page answering with a
    // message box would run a nested event loop there, before the controller has sent its
    // ACK, cleared its buffer or told the status bar; so the page hears of everything that
    // comes from the link once the controller is done with it.
    connect(m_changer, &FrModeChanger::modeChangeWarning, this,
        &WaitCommandWidget::p_modeChangeWarningHandler, Qt::QueuedConnection);
    connect(m_changer, &FrModeChanger::modeChanged, this, &WaitCommandWidget::frModeChanged,
        Qt::QueuedConnection);
}

WaitCommandWidget::~WaitCommandWidget() = default;

void WaitCommandWidget::addWaitTid(quint8 tid, quint8 cmdCode)
{
    if (m_waits.isEmpty())
        connectPublicHandlers();
    if (m_waits.contains(tid)) {
        m_waits.remove(tid);
        qWarning() << "WARNING"
                   << "WAIT TID ALREADY EXISTS" << tid;
    }
    m_waits.insert(tid, cmdCode);
}

void WaitCommandWidget::addWaitTid(const CommandSendInfo &info)
{
    addWaitTid(info.tid, info.cmdCode);
}

void WaitCommandWidget::removeWaitTid(quint8 tid)
{
    if (m_waits.remove(tid) > 0 && m_waits.isEmpty())
        disconnectPublicHandlers();
}

void WaitCommandWidget::changeFrMode(quint8 mode)
{
    if (!ensureConnected())
        return;
    m_changer->changeMode(mode);
}

bool WaitCommandWidget::isChangingMode() const
{
    return m_changer->isChanging();
}

quint8 WaitCommandWidget::targetMode() const
{
    return m_changer->targetMode();
}

QByteArray WaitCommandWidget::toRegisterText(const QString &text)
{
    return registerCodec()->fromUnicode(text);
}

QString WaitCommandWidget::fromRegisterText(const QByteArray &bytes)
{
    return registerCodec()->toUnicode(bytes);
}

void WaitCommandWidget::frCommandErrorHandler(quint8, quint8, QByteArray) { }

void WaitCommandWidget::frModeChanged(quint8 mode, bool error, quint8 errorCode)
{
    // The changer has already gone idle; a page calling this directly ends a change too.
    if (m_changer->isChanging())
        m_changer->abort();
    qDebug() << "PAGE_MODE_CHANGED" << mode << (error ? "true" : "false") << errorCode;
}

void WaitCommandWidget::frForceStopHandler() { }

void WaitCommandWidget::frCommandTidAnswerHandler(quint8 tid, QByteArray ba)
{
    if (!m_waits.contains(tid))
        return;
    const quint8 code = m_waits.take(tid);
    if (m_waits.isEmpty())
        disconnectPublicHandlers();
    frCommandAnswerHandler(code, tid, ba);
}

void WaitCommandWidget::frCommandTidErrorHandler(quint8 tid, QByteArray ba)
{
    if (!m_waits.contains(tid))
        return;
    const quint8 code = m_waits.take(tid);
    if (m_waits.isEmpty())
        disconnectPublicHandlers();
    frCommandErrorHandler(code, tid, ba);
}

void WaitCommandWidget::p_waitStateTimout()
{
    changeFrMode(m_changer->targetMode());
}

void WaitCommandWidget::p_forceStopAllHandler()
{
    frForceStopHandler();
}

void WaitCommandWidget::p_modeChangeWarningHandler(quint8 errorCode)
{
    UserPrompts::warning(
        this, tr("Внимание"), tr("При смене режима произошла ошибка. ") + errorCodeText(errorCode));
}

FrCommandsController *WaitCommandWidget::controller() const
{
    return m_controller;
}

WaitCommandWidget::LinkTarget WaitCommandWidget::linkTarget() const
{
    FrPortSettings settings;
    LinkTarget target;
    target.tcpUse = settings.tcpUse();
    target.portName = settings.frPortName();
    target.address = settings.tcpAddress();
    target.port = settings.tcpPort();
    return target;
}

bool WaitCommandWidget::ensureConnected()
{
    if (m_controller && m_controller->isConnected())
        return true;

    FrCfgRoot *root = FrCfgRoot::instance();
    const LinkTarget link = linkTarget();
    QString question;
    if (!link.tcpUse && !link.portName.isEmpty()) {
        question = tr("В настоящее время соединение с ККТ не установлено. Установить по порту %1?")
                       .arg(link.portName);
    } else if (link.tcpUse && !link.address.isEmpty()) {
        question = tr("В настоящее время соединение с ККТ не установлено. Установить связь с "
                      "%1:%2?")
                       .arg(link.address)
                       .arg(link.port);
    } else {
        UserPrompts::warning(this, tr("Внмиание"),
            tr("В настоящее время соединение с ККТ не установлено. Вначеле необходимо настроить "
               "параметры связи с ККТ в сервисном режиме"));
        if (root) {
            root->hideWaitWidget();
            emit root->needShowFrRs232Settings();
        }
        return false;
    }

    if (!UserPrompts::question(this, tr("Внмиание"), question)) {
        if (root)
            root->hideWaitWidget();
        return false;
    }
    // The link comes up later; the controller resends until the register hears it.
    if (root)
        root->startCommandsController();
    return true;
}

void WaitCommandWidget::connectPublicHandlers()
{
    if (m_answerConnection || !m_controller)
        return;
    m_answerConnection = connect(m_controller, &FrCommandsController::assyncAnswer, this,
        &WaitCommandWidget::frCommandTidAnswerHandler, Qt::QueuedConnection);
    m_errorConnection = connect(m_controller, &FrCommandsController::assyncError, this,
        &WaitCommandWidget::frCommandTidErrorHandler, Qt::QueuedConnection);
}

void WaitCommandWidget::disconnectPublicHandlers()
{
    disconnect(m_answerConnection);
    disconnect(m_errorConnection);
    m_answerConnection = QMetaObject::Connection();
    m_errorConnection = QMetaObject::Connection();
}
