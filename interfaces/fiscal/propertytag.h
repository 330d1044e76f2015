#ifndef PROPERTYTAG_H
#define PROPERTYTAG_H

#include <QtGlobal>

namespace fiscal {

// Tag number of a requisite in the fiscal data formats.
typedef quint16 PropertyTag;

// The tags of the registration report and the state view.
enum : PropertyTag {
    TagAutomatMode = 1001,
    TagAutonomousMode = 1002,
    TagPaymentAddress = 1009,
    TagDateTime = 1012,
    TagSerialNumber = 1013,
    TagOfdInn = 1017,
    TagUserInn = 1018,
    TagCashier = 1021,
    TagBoxNumber = 1036,
    TagRegNumber = 1037,
    TagFsNumber = 1041,
    TagOfdName = 1046,
    TagUserName = 1048,
    TagEncryption = 1056,
    TagAgentFlags = 1057,
    TagFnsSite = 1060,
    TagTaxSystems = 1062,
    TagRegReason = 1101,
    TagInternetOnly = 1108,
    TagServices = 1109,
    TagBso = 1110,
    TagSenderEmail = 1117,
    TagLottery = 1126,
    TagPaymentPlace = 1187,
    TagGambling = 1193,
    TagCashierInn = 1203,
    TagRegReasonDetails = 1205,
    TagExcise = 1207,
    TagPrinterInAutomat = 1221,
};

} // namespace fiscal

#endif // PROPERTYTAG_H
