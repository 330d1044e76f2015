#ifndef WAITCOMMANDWIDGET_H
#define WAITCOMMANDWIDGET_H

#include "commandsendinfo.h"

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class FrCommandsController;
class FrModeChanger;
class QTextDecoder;
class QTextEncoder;

// Base of the pages that send device commands: hands each result back to the page with
// the code of the command that was sent, brings the register into a wanted mode, and
// holds the register's text codec (CP866).
class WaitCommandWidget : public QWidget
{
    Q_OBJECT
public:
    // Where the link goes, as far as the connection question needs to know.
    struct LinkTarget
    {
        bool tcpUse = true;
        QString portName;
        QString address;
        quint16 port = 0;
    };

    explicit WaitCommandWidget(QWidget *parent = nullptr);
    ~WaitCommandWidget() override;

    void addWaitTid(quint8 tid, quint8 cmdCode);
    void addWaitTid(const CommandSendInfo &info);
    // Stops waiting for a TID whose result the page no longer wants.
    void removeWaitTid(quint8 tid);
    // Brings the register into the mode; the answer is a later frModeChanged().
    void changeFrMode(quint8 mode);

    QMap<quint8, quint8> waits() const { return m_waits; }
    // Whether the result handlers are connected to the controller now.
    bool resultHandlersConnected() const { return bool(m_answerConnection); }
    bool isChangingMode() const;
    quint8 targetMode() const;
    FrModeChanger *modeChanger() const { return m_changer; }

    QTextDecoder *decoder() const { return m_decoder.get(); }
    QTextEncoder *encoder() const { return m_encoder.get(); }
    // Register text <-> QString through a fresh codec state each time.
    static QByteArray toRegisterText(const QString &text);
    static QString fromRegisterText(const QByteArray &bytes);

protected slots:
    virtual void frCommandAnswerHandler(quint8 cmdCode, quint8 tid, QByteArray ba) = 0;
    virtual void frCommandErrorHandler(quint8 cmdCode, quint8 tid, QByteArray ba);
    virtual void frModeChanged(quint8 mode, bool error, quint8 errorCode);
    virtual void frForceStopHandler();

public slots:
    void frCommandTidAnswerHandler(quint8 tid, QByteArray ba);
    void frCommandTidErrorHandler(quint8 tid, QByteArray ba);

private slots:
    void p_waitStateTimout();
    void p_forceStopAllHandler();
    void p_modeChangeWarningHandler(quint8 errorCode);

protected:
    FrCommandsController *controller() const;
    // The link settings; tests put other links in front of the question.
    virtual LinkTarget linkTarget() const;

private:
    // False when the user declined or the link is not set up; the overlay is closed then.
    bool ensureConnected();
    void connectPublicHandlers();
    void disconnectPublicHandlers();

    std::unique_ptr<QTextDecoder> m_decoder;
    std::unique_ptr<QTextEncoder> m_encoder;
    QMap<quint8, quint8> m_waits;
    QMetaObject::Connection m_answerConnection;
    QMetaObject::Connection m_errorConnection;
    QPointer<FrCommandsController> m_controller;
    FrModeChanger *m_changer = nullptr;
};

#endif // WAITCOMMANDWIDGET_H
