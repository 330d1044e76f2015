#ifndef REGISTRATIONWIDGET_H
#define REGISTRATIONWIDGET_H

#include "cashier.h"
#include "fiscaldocpropertybase.h"
#include "fsstatus.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

namespace Ui {
class RegistrationWidget;
}

namespace core {
class FrcoreExternalApi;
}

class QCheckBox;
class QTimer;
class WaitMessageWidget;

// The fiscalization page: shows the requisites of the register's current registration,
// lets the user edit and check them, builds a registration number, and has the fiscal core
// register (or re-register) the register or print a preview of it. The page speaks only to
// the fiscal core service; the register link is not used.
class RegistrationWidget : public QWidget
{
    Q_OBJECT
public:
    // How often the fiscal storage state is looked at.
    static const int SERIAL_INTERVAL_MS = 5000;

    explicit RegistrationWidget(QWidget *parent = nullptr);
    ~RegistrationWidget() override;

    // Reads the registration data from the fiscal core into the form. The main window calls
    // it by name when the page is shown.
    Q_INVOKABLE void reload();
    // Validates the form and sets what is enabled; unless quiet, tells the user what is wrong.
    // True when the data may be sent.
    bool checkData(bool quiet);
    // Sends the form as a registration (or its preview print).
    void doRegistration(bool preview);
    // The cashier whose password is the link's connection password; a default one if none.
    core::Cashier currentCashier();

    quint32 agentMask() const;
    void setAgentMask(quint32 mask);
    quint32 taxSystemMask() const;
    void setTaxSystemMask(quint32 mask);

    qint64 serial() const { return m_serial; }
    fiscal::FsStatus fsStatus() const { return m_fsStatus; }
    core::FrcoreExternalApi *frcoreApi() const { return m_api; }
    int serialInterval() const;
    void setSerialInterval(int msecs);

public slots:
    void on_pbDoRegistration_clicked();
    bool checkData();
    void on_pbRefresh_clicked();
    void on_pbPreviewPrint_clicked();
    void on_pbGenerateRegNumber_clicked();
    void on_cbOfdName_currentIndexChanged(int index);
    void on_pbClearFn_clicked();
    void updateSerial();

protected:
    void changeEvent(QEvent *event) override;

private:
    struct FlagBox
    {
        quint16 tag;
        QCheckBox *box;
    };
    QList<FlagBox> flagBoxes() const;
    QList<QCheckBox *> agentBoxes() const;
    QList<QCheckBox *> taxSystemBoxes() const;

    bool serialKnown() const;
    void showSerial();
    // False, with the text to show, when a fiscalized register's data could not be read.
    bool loadRegistration(QString *errorText);
    // The form as the property list of a registration.
    fiscal::FiscalDocProperties properties() const;
    void fillCashiers();
    void showOfd(const QString &inn, const QString &name);
    void showWait(const QString &text);
    void hideWait();

    Ui::RegistrationWidget *ui;
    core::FrcoreExternalApi *m_api = nullptr;
    qint64 m_serial = 0;
    fiscal::FsStatus m_fsStatus;
    QMap<quint32, core::Cashier> m_cashiers;
    QTimer *m_serialTimer = nullptr;
    QPointer<WaitMessageWidget> m_wait;
    // reload() and doRegistration() wait in local event loops; one at a time.
    bool m_busy = false;
};

#endif // REGISTRATIONWIDGET_H
