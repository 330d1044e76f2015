#include "receiptrequisites.h"

#include "frcommandscontroller.h"

#include <QDateTime>
#include <QStringList>
#include <QTextCodec>

namespace {

ReceiptRequisites::Requisite top(quint16 tag, const QByteArray &value)
{
    ReceiptRequisites::Requisite r;
    r.tag = tag;
    r.tlv = FrCommandsController::buildTlv(tag, value, true);
    return r;
}

QByteArray member(quint16 tag, const QByteArray &value)
{
    return FrCommandsController::buildTlv(tag, value, false);
}

QByteArray byteValue(quint8 value)
{
    return QByteArray(1, char(value));
}

} // namespace

QByteArray ReceiptRequisites::text(const QString &value)
{
    static QTextCodec *const codec = QTextCodec::codecForName("CP866");
    return codec->fromUnicode(value);
}

QByteArray ReceiptRequisites::unixtime(const QDate &date)
{
    const qint64 seconds = QDateTime(date, QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    const quint32 value = quint32(seconds);
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

ReceiptRequisites::Group ReceiptRequisites::general(const General &in)
{
    Group g;
    g << top(TaxSystem, byteValue(in.taxSystem));
    if (!in.buyerContact.isEmpty())
        g << top(BuyerContact, text(in.buyerContact));
    if (!in.additional.isEmpty())
        g << top(ReceiptAdditional, text(in.additional));
    if (!in.userName.isEmpty() && !in.userValue.isEmpty()) {
        g << top(UserRequisite,
            member(UserRequisiteName, text(in.userName))
                + member(UserRequisiteValue, text(in.userValue)));
    }
    return g;
}

QByteArray ReceiptRequisites::agentDataValue(int kind, const AgentData &agent)
{
    QByteArray value = member(AgentPhone, text(agent.payAgentPhone));
    if (AgentData::hasTransferOperator(kind)) {
        value += member(OperatorName, text(agent.payOperatorName));
        value += member(OperatorPhone, text(agent.payOperatorPhone));
        value += member(OperatorAddress, text(agent.payOperatorAddress));
        value += member(OperatorInn, text(agent.payOperatorInn));
        value += member(AgentOperation, text(agent.payAgentOperation));
    }
    if (AgentData::hasReceiverPhone(kind))
        value += member(ReceiverPhone, text(agent.payReceiverPhone));
    return value;
}

ReceiptRequisites::Group ReceiptRequisites::position(const Position &in)
{
    Group g;
    g << top(SettlementMethod, byteValue(in.settlementMethod));
    g << top(SettlementSubject, byteValue(in.settlementSubject));
    const bool agent = in.agentKind != 0;
    if (agent) {
        g << top(AgentSign, byteValue(quint8(in.agentKind)));
        g << top(AgentDataTag, agentDataValue(in.agentKind, in.agent));
        g << top(SupplierData,
            member(SupplierName, text(in.supplierName))
                + member(SupplierPhone, text(in.supplierPhone)));
        g << top(SupplierInn, text(in.supplierInn));
    }
    if (!in.unit.isEmpty())
        g << top(Unit, text(in.unit));
    if (agent && !in.paymentDetails.isEmpty())
        g << top(SupplierPaymentDetails, text(in.paymentDetails));
    if (!in.additional.isEmpty())
        g << top(PositionAdditional, text(in.additional));
    return g;
}

ReceiptRequisites::Group ReceiptRequisites::commission()
{
    return Group { top(SettlementSubject, byteValue(AGENT_FEE_SUBJECT)) };
}

ReceiptRequisites::Group ReceiptRequisites::correction(const Correction &in)
{
    Group g;
    g << top(TaxSystem, byteValue(in.taxSystem));
    g << top(CorrectionKind, byteValue(in.kind));
    if (!in.basisName.isEmpty() && !in.basisNumber.isEmpty()) {
        g << top(CorrectionBasis,
            member(BasisName, text(in.basisName)) + member(BasisDate, unixtime(in.basisDate))
                + member(BasisNumber, text(in.basisNumber)));
    }
    return g;
}

QString ReceiptRequisites::paymentDetails(
    const QMap<QString, QString> &payDetails, const ProviderDirectory::Provider &provider)
{
    QStringList lines;
    for (auto it = payDetails.cbegin(); it != payDetails.cend(); ++it) {
        for (const ProviderDirectory::Parameter &p : provider.parameters) {
            if (p.name == it.key())
                lines << QStringLiteral("%1\t%2").arg(p.checkLabel, it.value());
        }
    }
    return lines.join(QLatin1Char('\n'));
}
