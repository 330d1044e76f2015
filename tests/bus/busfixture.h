#ifndef BUSFIXTURE_H
#define BUSFIXTURE_H

#include "serviceprocess.h"
#include "tempprofile.h"

#include <QJsonObject>
#include <QList>
#include <QScopedPointer>
#include <QString>
#include <QTemporaryDir>

class CashboxBusController;
namespace core {
class FrcoreExternalApi;
}

// What the bus tests share: a temporary profile, orvaemu serving its fiscal core on a bus
// socket of the test's own (registered with a valid INN and registration number unless told
// otherwise), and the configurator's bus controller with one fiscal core client.
class BusFixture
{
protected:
    static constexpr int WAIT_MS = 10000;
    // Serial 17000001, INN 7707083893, registration number computed for both.
    static const QString INN;
    static const QString REG_NUMBER;

    void setUpProfile(); // from initTestCase
    void tearDownProfile(); // from cleanupTestCase
    // Starts orvaemu on a state written for the test; false when it did not start.
    bool startService(const QStringList &extraArguments = QStringList(), bool fiscalized = true);
    void stopService();
    // A controller on the service's socket, started, and a client of it.
    void startClient(int timeoutMs = 3000);
    void stopClient();

    QString busName() const;
    QString statePath() const;
    QJsonObject stateJson() const;
    QList<QJsonObject> journal() const;
    // Runs orvactl against the service's ATOL port: exit code and standard output.
    int orvactl(const QStringList &arguments, QString *out) const;

    QScopedPointer<TempProfile> m_profile;
    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<ServiceProcess> m_emu;
    CashboxBusController *m_controller = nullptr;
    core::FrcoreExternalApi *m_api = nullptr;
};

#endif // BUSFIXTURE_H
