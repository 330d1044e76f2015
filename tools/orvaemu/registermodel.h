#ifndef REGISTERMODEL_H
#define REGISTERMODEL_H

#include "registerstate.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace core {
class FrCoreFullState;
}
namespace fiscal {
class FsStatus;
class RegData;
} // namespace fiscal

// The register itself, without any link: takes a device command (code and payload) and
// gives the answer a register gives, changing its state as a register would. Persisting
// the state and keeping the journal are left to whoever listens to the signals.
class RegisterModel : public QObject
{
    Q_OBJECT
public:
    struct Answer
    {
        QByteArray bytes;
        bool refused = false;
    };

    static const quint8 MODEL_CODE = 0x4F;
    static const quint8 VERSION_MAJOR = 3;
    static const quint8 VERSION_MINOR = 1;
    static const int VERSION_BUILD = 1234;
    static const qint64 MAX_SUM = 9999999999LL; // BCD(10) kopecks
    static const qint64 MAX_DRAWER = 99999999999999LL; // BCD(14) kopecks
    static const int SHIFT_HOURS = 24;

    explicit RegisterModel(const RegisterState &state, QObject *parent = nullptr);

    const RegisterState &state() const { return m_state; }
    void setPassword(qint64 password) { m_password = password; }
    void setPaperPresent(bool present) { m_paper = present; }
    bool paperPresent() const { return m_paper; }
    // With the operator out of reach new documents wait for their tickets; coming back
    // online gives every waiting document its ticket.
    void setOfdOnline(bool online);
    bool ofdOnline() const { return m_ofdOnline; }

    quint8 mode() const { return m_mode; }
    quint8 submode() const;
    // The model number it reports, as the fiscal core's model data say.
    quint8 modelCode() const;
    quint8 modeByte() const { return quint8((submode() << 4) | m_mode); }
    bool shiftExpired() const;
    // The register's clock: the host clock moved by the offset set with the date and time
    // commands.
    QDateTime now() const;

    // Makes the open shift (opening one first when there is none) older by the hours.
    void ageShift(int hours);

    Answer execute(const QByteArray &command);

    // The fiscal core service's side of the same register: operations and bus objects by
    // name (corecommands.cpp: dispatch and tables; coresettings.cpp: settings;
    // coreregistration.cpp: state, registration data and registration).
    struct CoreReply
    {
        int code = 0; // core::FrcoreError
        QString text;
        QVariantMap value;
        bool ok() const { return code == 0; }
    };
    typedef std::function<void(int minimum, int maximum, int value)> Progress;
    static const int MAX_REGISTRATIONS = 12;

    CoreReply coreCall(const QString &operation, const QVariantMap &arguments,
        const Progress &progress = Progress());
    CoreReply coreObject(const QString &name) const;
    CoreReply storeCoreObject(const QString &name, const QVariantMap &content);
    static QStringList coreObjectNames();
    fiscal::FsStatus fsStatus() const;
    fiscal::RegData regData() const;
    core::FrCoreFullState fullState() const;

signals:
    void stateChanged();
    void documentPrinted(const QJsonObject &document);

private:
    struct Command
    {
        quint8 code;
        int mode; // the mode the command needs, or -1 for any
        Answer (*run)(RegisterModel &model, quint8 code, const QByteArray &payload);
    };
    static const Command *findCommand(quint8 code);
    Answer drawerAnswer() const;
    quint8 readPayment(const QByteArray &payload, qint64 *type, qint64 *sum) const;
    Answer shiftTotalsAnswer() const;
    static quint8 missingRequisite(const Receipt &receipt);

    Answer stateAnswer() const;
    Answer enterMode(const QByteArray &payload);
    Answer exitMode();
    Answer deviceType() const;
    Answer version(const QByteArray &payload) const;
    Answer registerRead(const QByteArray &payload) const;
    Answer timezoneGet() const;
    Answer timezoneSet(const QByteArray &payload);
    Answer printLast();
    Answer tableCell(const QByteArray &payload, bool write);
    Answer setDate(const QByteArray &payload, bool time);
    Answer factoryNumber(const QByteArray &payload);
    Answer activation(const QByteArray &payload);
    Answer closeArchive();
    Answer registrationReport(const QByteArray &payload, bool byNumber);
    Answer documentByNumber(quint8 code, const QByteArray &payload);
    Answer fnRead(const QByteArray &payload);
    Answer readTag(const QByteArray &payload) const;
    Answer reportWithoutClearing(const QByteArray &payload);
    Answer closeShift();
    Answer commonClear();
    Answer openShift(const QByteArray &payload);
    Answer openReceipt(const QByteArray &payload);
    Answer position(const QByteArray &payload, bool cancel);
    Answer requisite(const QByteArray &payload);
    Answer payment(const QByteArray &payload);
    Answer closeReceipt(const QByteArray &payload);
    Answer cancelReceipt();
    Answer cash(const QByteArray &payload, bool in);

    void doOpenShift(const QString &comment, bool automatic);
    QJsonObject document(const QString &type) const;
    // Gives the finished document its number and fiscal sign and keeps it in the storage.
    void record(QJsonObject *document);
    void print(const QJsonObject &document);
    QByteArray tagValue(quint16 tag, bool *known) const;
    QDateTime nowUtc() const;

    CoreReply setCashiers(const QVariantMap &arguments);
    CoreReply setSections(const QVariantMap &arguments);
    CoreReply setDiscounts(const QVariantMap &arguments);
    CoreReply setTaxMap(const QVariantMap &content);
    CoreReply setOfdSettings(const QVariantMap &arguments);
    CoreReply setPrinterSettings(const QVariantMap &arguments);
    CoreReply setAtolModelData(const QVariantMap &arguments);
    CoreReply setFrCoreSettings(const QVariantMap &content);
    CoreReply registrationInfo() const;
    CoreReply activate(const QVariantMap &arguments, const Progress &progress);
    QString cashboxVersion() const;
    static CoreReply coreFail(int code, const QString &text);

    static Answer ok(const QByteArray &data = QByteArray());
    static Answer refuse(quint8 code);

    RegisterState m_state;
    qint64 m_password = 47;
    bool m_paper = true;
    bool m_ofdOnline = true;
    quint8 m_mode = 0;
};

#endif // REGISTERMODEL_H
