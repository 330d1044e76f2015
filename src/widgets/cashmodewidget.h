#ifndef CASHMODEWIDGET_H
#define CASHMODEWIDGET_H

#include "agentdata.h"
#include "fixnumber.h"
#include "providerdata.h"
#include "providerdirectory.h"
#include "receiptrequisites.h"
#include "waitcommandwidget.h"

#include <QMap>
#include <QTimer>

namespace Ui {
class CashModeWidget;
}

class QComboBox;

// The register worked as a cash desk: shifts, receipts with their positions, requisites and
// payments, corrections, cash in and out, the drawer and the shift totals. Every operation
// is two-staged: a button sets the pending operation and asks for a register mode; the
// mode report sends the command, and its answer ends the operation or chains the next step.
class CashModeWidget : public WaitCommandWidget
{
    Q_OBJECT
public:
    enum Operation {
        NoOperation,
        // set by a button, before the mode request
        CashInRequested,
        CashOutRequested,
        PaymentRequested,
        OpenReceiptRequested,
        CancelReceiptRequested,
        CloseReceiptRequested,
        RegisterPositionRequested,
        CancelPositionRequested,
        RegisterCommissionRequested,
        OpenShiftRequested,
        CloseShiftRequested,
        OpenCorrectionRequested,
        SendMainRequisitesRequested,
        // a command or a requisite group is on its way
        OpenShiftSent,
        CloseShiftSent,
        OpenReceiptSent,
        CloseReceiptSent,
        CancelReceiptSent,
        PositionSent,
        CancelPositionSent,
        CommissionPositionSent,
        PositionRequisitesSending,
        MainRequisitesSending,
        CommissionRequisitesSending,
        PaymentSent,
        CashInSent,
        CashOutSent,
        PrintLastReceiptSent,
        CorrectionPositionSent,
        CorrectionRequisitesSending,
        CorrectionCloseSent,
        CorrectionOpenSent,
    };
    Q_ENUM(Operation)

    enum FollowUp { CloseAfterCommission, PaymentAfterCommission };
    Q_ENUM(FollowUp)

    static const int REQUISITE_TIMEOUT_MS = 5000;
    static const int MAX_REQUISITE_REPEATS = 3;

    explicit CashModeWidget(QWidget *parent = nullptr);
    ~CashModeWidget() override;

    Operation pendingOperation() const { return m_pending; }
    FollowUp followUp() const { return m_followUp; }
    qt5ext::FixNumber commission() const { return m_commission; }
    bool mainRequisitesSent() const { return m_mainRequisitesSent; }
    QMap<quint8, quint16> pendingRequisites() const { return m_pendingRequisites; }
    int retryCount() const { return m_retryCount; }
    int agentKind() const { return m_agentKind; }
    AgentData agentData() const { return m_agentData; }
    ProviderData providerData() const { return m_providerData; }
    const ProviderDirectory &providerDirectory() const { return m_directory; }

    // Tests shorten the wait for a requisite group's answers.
    void setRequisiteTimeout(int msecs) { m_requisiteTimer.setInterval(msecs); }
    int requisiteTimeout() const { return m_requisiteTimer.interval(); }

    // The name a position is registered under.
    QString positionName() const;

public slots:
    void doKktFullMoneyRequest();
    void doKktMoneyRequest();
    void doKktCycleMoneyRequest();
    void kktMoneyRequestHandlel(const QByteArray &ba);
    void kktCycleMoneyRequestHandlel(const QByteArray &ba);

    void sendCheckMainRekvs(bool repeat);
    void sendPositionRekvs(bool repeat);
    void sendCommissionPositionRekvs(bool repeat);
    void sendCorrectionRekvs(bool repeat);
    void sendRekvsTimeout();

protected slots:
    void frCommandAnswerHandler(quint8 cmdCode, quint8 tid, QByteArray ba) override;
    void frCommandErrorHandler(quint8 cmdCode, quint8 tid, QByteArray ba) override;
    void frModeChanged(quint8 mode, bool error, quint8 errorCode) override;
    void frForceStopHandler() override;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pbCycleOpen_clicked();
    void on_pbCloseCycle_clicked();
    void on_pbCheckOpen_clicked();
    void on_pbSendMainRekv_clicked();
    void on_pbRegPosition_clicked();
    void on_pbPosCancel_clicked();
    void on_pbRegCheckPayment_clicked();
    void on_pbCloseCheck_clicked();
    void on_pbCancelCheck_clicked();
    void on_pbCorrectionCheck_clicked();
    void on_pbIntroduction_clicked();
    void on_pbEncashment_clicked();
    void on_pbPrintLastCheck_clicked();
    void on_pbKKTMoneyRequest_clicked();
    void on_mainTabWidget_currentChanged(int index);
    void on_cbDiscountSummType_currentIndexChanged(int index);
    void on_cbPosCommissionKind_currentIndexChanged(int index);
    void on_cbPhoneOrEmail_currentIndexChanged(int index);
    void on_pbChangeAgentKind_clicked();
    void on_pbResetAgentKind_clicked();
    void on_pbPositionAgentInfo_clicked();
    void on_cbPosProviderName_currentIndexChanged(int index);

private:
    // Sets the pending operation and asks for the mode behind the wait overlay.
    void requestMode(Operation operation, quint8 mode, const QString &waitText);
    void sendPosition(Operation inFlight, bool cancel);
    void sendCommissionPosition();
    void sendCorrectionPosition();
    void sendCorrectionClose();

    void startGroup(Operation sending, bool repeat, const QString &waitText);
    void sendGroup(const ReceiptRequisites::Group &group);
    // An answer or an error for one of the group's requisites.
    void requisiteAnswered(quint8 tid);
    void groupSucceeded(Operation group);
    void resendGroup(Operation group, bool repeat);
    // Drops what a stalled group left in the register's task buffer, so that the next send
    // is not queued behind a task that never finishes.
    void abandonGroupTasks();
    // Stops waiting for every task of the page: an abort is about to discard them.
    void forgetWaits();
    // Aborts the register's task buffer and forgets what the page waited for in it.
    void clearCommandBuffer();
    QString pendingTagsText() const;

    ReceiptRequisites::General generalInput();
    ReceiptRequisites::Position positionInput();
    ReceiptRequisites::Correction correctionInput();
    void rememberRequisite(int tag, const QString &value);
    void restoreHistory();

    void loadAgentAndProvider();
    void showAgentKind();
    void showAgentData();
    void storeProviderData();

    void fillCombos();
    void updateButtons();
    void showWait(const QString &text);
    void hideWait();
    void information(const QString &text);
    void warning(const QString &title, const QString &text);
    static int itemData(const QComboBox *box);
    static void selectData(QComboBox *box, const QVariant &data);
    // False, with a warning, while the link is down.
    bool linkUp();

    Ui::CashModeWidget *ui;
    Operation m_pending = NoOperation;
    FollowUp m_followUp = CloseAfterCommission;
    int m_retryCount = 0;
    QMap<quint8, quint16> m_pendingRequisites;
    QTimer m_requisiteTimer;
    QString m_shiftComment;
    qt5ext::FixNumber m_commission { 100 };
    bool m_moneyInfoStale = true;
    bool m_mainRequisitesSent = false;
    int m_agentKind = 0;
    AgentData m_agentData;
    ProviderData m_providerData;
    ProviderDirectory m_directory;
};

#endif // CASHMODEWIDGET_H
