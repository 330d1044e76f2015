#ifndef FRCOREEXTERNALAPI_H
#define FRCOREEXTERNALAPI_H

#include "appbuscommand.h"
#include "appbusobject.h"
#include "atoltaxmap.h"
#include "cashier.h"
#include "checkdiscount.h"
#include "fiscaldocpropertybase.h"
#include "frcorefullstate.h"
#include "frprintersettings.h"
#include "ofdsettings.h"
#include "section.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QEventLoop;

namespace core {

// The fiscal core service's client. Every operation is synchronous: it sends its request
// through sendCommand(), publish() or loadObject() and runs a local event loop (user input
// excluded) until the answer comes to objectLoaded() or the time limit passes. A service
// that is absent, stops answering or answers nonsense gives false (an empty map for the map
// operations) with lastError() saying why; progress of a long operation is re-emitted as
// progressRange() and progressValue(), and each progress message restarts the time limit.
class FrcoreExternalApi : public QObject
{
    Q_OBJECT
public:
    static const int DEFAULT_TIMEOUT_MS = 10000;

    // Operation names on the bus.
    static const QString OP_GET_CASHIERS;
    static const QString OP_SET_CASHIERS;
    static const QString OP_GET_SECTIONS;
    static const QString OP_SET_SECTIONS;
    static const QString OP_GET_DISCOUNTS;
    static const QString OP_SET_DISCOUNTS;
    static const QString OP_GET_OFD_SETTINGS;
    static const QString OP_SET_OFD_SETTINGS;
    static const QString OP_GET_PRINTER_SETTINGS;
    static const QString OP_SET_PRINTER_SETTINGS;
    static const QString OP_GET_FULL_STATE;
    static const QString OP_GET_REGISTRATION_INFO;
    static const QString OP_ACTIVATE;
    static const QString OP_GET_ATOL_MODEL_DATA;
    static const QString OP_SET_ATOL_MODEL_DATA;

    // A list of value types as the calls carry it: a list of their maps.
    template<typename T>
    static QVariantList toList(const QList<T> &items)
    {
        QVariantList list;
        for (const T &item : items)
            list << item.toMap();
        return list;
    }
    // The driver settings map is the bus object of this name.
    static const QString FRCORE_SETTINGS_OBJECT_NAME;

    explicit FrcoreExternalApi(const QString &clientName, QObject *parent = nullptr);
    ~FrcoreExternalApi() override;

    QString clientName() const { return m_clientName; }
    // Longest silence of the service during one call.
    int timeout() const { return m_timeout; }
    void setTimeout(int msecs) { m_timeout = msecs; }
    // Of the last operation: 0 (ErrorNone) after a success, else a FrcoreError code.
    int lastError() const { return m_lastError; }
    QString lastErrorText() const { return m_lastErrorText; }

    bool getCashiers(QList<Cashier> &cashiers);
    bool setCashiers(const QList<Cashier> &cashiers);
    bool getSections(QList<Section> &sections);
    bool setSections(const QList<Section> &sections);
    bool getDiscounts(QList<fiscal::CheckDiscount> &discounts);
    bool setDiscounts(const QList<fiscal::CheckDiscount> &discounts);
    // An empty map on failure.
    AtolTaxMap getTaxMap();
    bool getTaxMap(AtolTaxMap &map);
    bool setTaxMap(const AtolTaxMap &map);
    bool getOfdSettings(OfdSettings &settings);
    bool setOfdSettings(const OfdSettings &settings);
    bool getPrinterSettings(FrPrinterSettings &settings);
    bool setPrinterSettings(const FrPrinterSettings &settings);
    bool getFullFrCoreState(FrCoreFullState &state);
    // The requisites of the current registration, one property per tag.
    bool getRegistrationInfo(const Cashier &cashier, fiscal::FiscalDocProperties &properties,
        int &errorCode, QString &errorText);
    // Registers or re-registers the register (re-registration when the list holds tag 1101);
    // with preview only checks the data and prints them.
    bool activate(const Cashier &cashier, bool preview,
        const fiscal::FiscalDocProperties &properties, int &errorCode, QString &errorText);
    // "model" (number), "name", "ver" (ten digits); empty on failure.
    QVariantMap getAtolModelData();
    // The stored values; empty on failure.
    QVariantMap setAtolModelData(const QVariantMap &data);
    // The driver settings map ("hostRs" and others); empty on failure (see lastError(), as an
    // empty map is also a valid one).
    QVariantMap getFrCoreSettings();
    // Replaces the whole map; gives the stored one, empty on failure.
    QVariantMap setFrCoreSettings(const QVariantMap &settings);

    // Any operation by name, for tools: true and the result map, or false.
    bool call(const QString &operation, const QVariantMap &arguments, QVariantMap &result);
    // Any bus object by name.
    bool load(const QString &name, QVariantMap &content);
    bool store(const QString &name, const QVariantMap &content, QVariantMap &stored);

signals:
    void sendCommand(bus::AppBusCommand cmd);
    void publish(bus::AppBusObject obj);
    void loadObject(QString name);
    void progressRange(int minimum, int maximum);
    void progressValue(int value);

public slots:
    void objectLoaded(bus::AppBusObject obj);

private:
    struct Wait;

    bool finish(const bus::AppBusObject &answer, QVariantMap *result);
    bool waitFor(Wait *wait, QVariantMap *result);
    bool fail(int code, const QString &text);

    QString m_clientName;
    int m_timeout = DEFAULT_TIMEOUT_MS;
    int m_lastError = 0;
    QString m_lastErrorText;
    QList<Wait *> m_waits;
};

} // namespace core

#endif // FRCOREEXTERNALAPI_H
