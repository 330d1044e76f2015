#ifndef AGENTDATA_H
#define AGENTDATA_H

#include <QString>
#include <QVariantMap>

// Who sells a position on someone's behalf: the seven texts of the agent data and the
// helpers that read the agent kind, a bit mask (bit 0 bank payment agent ... bit 6 agent).
class AgentData
{
public:
    enum KindBit {
        BankPayAgent = 0x01,
        BankPaySubagent = 0x02,
        PayAgent = 0x04,
        PaySubagent = 0x08,
        Attorney = 0x10,
        CommissionAgent = 0x20,
        Agent = 0x40,
    };
    static const int KIND_BITS = 7;

    QString payOperatorName;
    QString payOperatorPhone;
    QString payOperatorAddress;
    QString payOperatorInn;
    QString payAgentOperation;
    QString payAgentPhone;
    QString payReceiverPhone;

    // Missing keys and non-text values read as empty texts.
    static AgentData fromMap(const QVariantMap &map);
    QVariantMap toMap() const;
    bool operator==(const AgentData &other) const;

    // The transfer operator's data belongs to bank agents (bit 0 or 1).
    static bool hasTransferOperator(int kind) { return kind & (BankPayAgent | BankPaySubagent); }
    // Any kind from payment agent on (bits 2 to 6).
    static bool hasNonBankKind(int kind) { return kind & 0x7C; }
    // The receiver operator's phone travels in the agent data of payment agents (bit 2 or 3).
    static bool hasReceiverPhone(int kind) { return kind & (PayAgent | PaySubagent); }

    static QString kindName(int bit);
    static QString kindShortName(int bit);
    // Short names of the set bits joined with ", "; "не задано" for none.
    static QString kindText(int kind);
    // What the page shows for the data of this kind; "не задано" when nothing applies.
    QString displayText(int kind) const;
};

#endif // AGENTDATA_H
