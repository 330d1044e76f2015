#ifndef RECEIPTREQUISITES_H
#define RECEIPTREQUISITES_H

#include "agentdata.h"
#include "providerdirectory.h"

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QString>
#include <QVector>

// The fiscal requisites the cash page sends in groups, one send-requisite command per
// top-level tag: which tags a group holds, in which order and how each value is encoded.
class ReceiptRequisites
{
public:
    enum Tag : quint16 {
        OperatorAddress = 1005,
        BuyerContact = 1008,
        OperatorInn = 1016,
        OperatorName = 1026,
        AgentOperation = 1044,
        TaxSystem = 1055,
        AgentPhone = 1073,
        ReceiverPhone = 1074,
        OperatorPhone = 1075,
        UserRequisite = 1084,
        UserRequisiteName = 1085,
        UserRequisiteValue = 1086,
        SupplierPhone = 1171,
        CorrectionKind = 1173,
        CorrectionBasis = 1174,
        BasisName = 1177,
        BasisDate = 1178,
        BasisNumber = 1179,
        PositionAdditional = 1191,
        ReceiptAdditional = 1192,
        Unit = 1197,
        SettlementSubject = 1212,
        SettlementMethod = 1214,
        AgentSign = 1222,
        AgentDataTag = 1223,
        SupplierData = 1224,
        SupplierName = 1225,
        SupplierInn = 1226,
        SupplierPaymentDetails = 3005,
    };

    static const quint8 AGENT_FEE_SUBJECT = 11; // "Агентское вознаграждение"

    struct Requisite
    {
        quint16 tag = 0;
        QByteArray tlv; // top-level form, the whole payload of the command
    };
    using Group = QVector<Requisite>;

    struct General
    {
        quint8 taxSystem = 1;
        QString buyerContact;
        QString additional;
        QString userName;
        QString userValue;
    };

    struct Position
    {
        quint8 settlementMethod = 4;
        quint8 settlementSubject = 1;
        int agentKind = 0;
        AgentData agent;
        QString supplierName;
        QString supplierPhone;
        QString supplierInn;
        QString unit;
        QString paymentDetails; // already formatted, see paymentDetails()
        QString additional;
    };

    struct Correction
    {
        quint8 taxSystem = 1;
        quint8 kind = 0;
        QString basisName;
        QDate basisDate;
        QString basisNumber;
    };

    static Group general(const General &in);
    static Group position(const Position &in);
    static Group commission();
    static Group correction(const Correction &in);

    // Members of tag 1223 for the agent kind.
    static QByteArray agentDataValue(int kind, const AgentData &agent);
    // One "checkLabel<TAB>value" line per entered value whose key names a parameter of the
    // supplier, in key order, joined with line feeds.
    static QString paymentDetails(
        const QMap<QString, QString> &payDetails, const ProviderDirectory::Provider &provider);

    // Register text (CP866), no terminator.
    static QByteArray text(const QString &value);
    // Seconds since 1970 of the day's midnight UTC, four bytes little-endian.
    static QByteArray unixtime(const QDate &date);
};

#endif // RECEIPTREQUISITES_H
