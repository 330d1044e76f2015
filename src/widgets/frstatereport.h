#ifndef FRSTATEREPORT_H
#define FRSTATEREPORT_H

#include <QList>
#include <QString>

namespace core {
class FrCoreFullState;
}
namespace fiscal {
class RegData;
}

// The full state of the fiscal core as the labelled rows of the state view: the register,
// then the registration, the fiscal storage and the shift, each section only when there is
// something to show.
class FrStateReport
{
public:
    struct Row
    {
        QString label;
        QString value;
        bool section = false;
    };

    static QList<Row> rows(const core::FrCoreFullState &state, const fiscal::RegData &regData);

    // Names of the set fiscal storage warning bits, most severe first, joined by ", ".
    static QString warningNames(quint8 warnings);
    // Names of the fiscal-data tags whose registration flags are set, joined by ", ".
    static QString registrationFlagNames(quint32 flags);
};

#endif // FRSTATEREPORT_H
