#ifndef REPORTMODEWIDGET_H
#define REPORTMODEWIDGET_H

#include "waitcommandwidget.h"

namespace Ui {
class ReportModeWidget;
}

// The reports page: shift opening and closing reports, statistics, the fiscal storage's
// printouts, archive closing and the common clear. A button brings the register into the
// report's mode; once there the page sends the one command of the report and tells the
// user how it went.
class ReportModeWidget : public WaitCommandWidget
{
    Q_OBJECT
public:
    // A button sets a *Requested value; the mode reached turns it into the matching *Sent
    // value; the answer or a refusal ends it.
    enum PendingOperation {
        NoOperation,
        OpenShiftRequested,
        CloseShiftRequested,
        CommonClearRequested,
        CalculationReportRequested,
        FullStatisticsRequested,
        ShortStatisticsRequested,
        CloseArchiveRequested,
        DocumentByNumberRequested,
        DocumentTlvRequested,
        TicketRequested,
        RegistrationReportRequested,
        RegistrationByNumberRequested,
        NoTicketReportRequested,
        ParameterReportRequested,
        ParameterByNumberRequested,
        OpenShiftSent,
        CloseShiftSent,
        CommonClearSent,
        CalculationReportSent,
        FullStatisticsSent,
        ShortStatisticsSent,
        CloseArchiveSent,
        DocumentByNumberSent,
        DocumentTlvSent,
        TicketSent,
        RegistrationReportSent,
        RegistrationByNumberSent,
        NoTicketReportSent,
        ParameterReportSent,
        ParameterByNumberSent,
    };
    Q_ENUM(PendingOperation)

    explicit ReportModeWidget(QWidget *parent = nullptr);
    ~ReportModeWidget() override;

    PendingOperation pendingOperation() const { return m_pending; }
    QString shiftComment() const { return m_shiftComment; }

protected slots:
    void frCommandAnswerHandler(quint8 cmdCode, quint8 tid, QByteArray ba) override;
    void frCommandErrorHandler(quint8 cmdCode, quint8 tid, QByteArray ba) override;
    void frModeChanged(quint8 mode, bool error, quint8 errorCode) override;

private slots:
    void on_pbOpenCycleReport_clicked();
    void on_pbCloseCycleReport_clicked();
    void on_pbCurrentCalculationReport_clicked();
    void on_pbXReportFull_clicked();
    void on_pbXReportShort_clicked();
    void on_pbCloseFnArchive_clicked();
    void on_pbFdByNumberReport_clicked();
    void on_pbFdByNumberTLVReport_clicked();
    void on_pbTicketByFdNumber_clicked();
    void on_pbRegReport_clicked();
    void on_pbReg2Report_clicked();
    void on_pbNoTicketReport_clicked();
    void on_pbRegTagReport_clicked();
    void on_pbRegTagReport2_clicked();
    void on_pushButton_clicked();

private:
    // Sets the operation, shows the wait overlay and asks for the operation's mode.
    void request(PendingOperation operation);
    // Sends the command of a requested operation.
    CommandSendInfo sendCommand(PendingOperation operation);

    Ui::ReportModeWidget *ui;
    PendingOperation m_pending = NoOperation;
    // The task of the operation in flight; results of earlier ones, which a new click
    // replaced, change nothing.
    quint8 m_sentTid = 0;
    QString m_shiftComment;
};

#endif // REPORTMODEWIDGET_H
