// The requisite groups without a register: which tags, in which order, under which
// conditions; the supplier directory and its payment-detail fields. A payment agent's
// position and a correction by order are checked on the wire through the cash page.

#include "agentdata.h"
#include "parameterlineedit.h"
#include "providerdata.h"
#include "providerdirectory.h"
#include "providerparameterfillwidget.h"
#include "receiptrequisites.h"

#include <QTemporaryFile>
#include <QtTest>

#include <functional>

using RR = ReceiptRequisites;
using Build = std::function<RR::Group()>;
Q_DECLARE_METATYPE(Build)

namespace {

// Tag of each top-level TLV, and the member tags of structures in braces.
QString layout(const RR::Group &group)
{
    QStringList out;
    for (const RR::Requisite &r : group) {
        QString text = QString::number(r.tag);
        if (r.tag == 1084 || r.tag == 1174 || r.tag == 1223 || r.tag == 1224) {
            QStringList members;
            const QByteArray v = r.tlv.mid(7);
            for (int at = 0; at + 4 <= v.size(); at += 4 + quint8(v.at(at + 2)))
                members << QString::number(quint8(v.at(at)) | (quint8(v.at(at + 1)) << 8));
            text += QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
        }
        out << text;
    }
    return out.join(QLatin1Char(' '));
}

RR::Position agentPosition(int kind)
{
    RR::Position in;
    in.agentKind = kind;
    in.agent.payAgentPhone = QStringLiteral("+79990001122");
    in.supplierInn = QStringLiteral("7740000076");
    return in;
}

} // namespace

class TestReceiptRequisites : public QObject
{
    Q_OBJECT
private slots:
    void groups_data();
    void groups();
    void encodings();
    void brokenDirectory_data();
    void brokenDirectory();
    void paymentDetailFields();
    void storedValuesOfWrongType();
};

void TestReceiptRequisites::groups_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<QString>("tags");

    QTest::newRow("general: tax system only") << Build([] { return RR::general({}); }) << "1055";
    QTest::newRow("general: texts, user requisite without a value") << Build([] {
        RR::General in;
        in.buyerContact = QStringLiteral("a@b.ru");
        in.additional = QStringLiteral("БСО-1");
        in.userName = QStringLiteral("Карта");
        return RR::general(in);
    }) << "1055 1008 1192";
    QTest::newRow("general: user requisite") << Build([] {
        RR::General in;
        in.userName = QStringLiteral("Карта");
        in.userValue = QStringLiteral("1");
        return RR::general(in);
    }) << "1055 1084{1085,1086}";
    QTest::newRow("position: no agent, payment details ignored") << Build([] {
        RR::Position in;
        in.unit = QStringLiteral("кг");
        in.additional = QStringLiteral("партия 5");
        in.paymentDetails = QStringLiteral("Номер\t1");
        return RR::position(in);
    }) << "1214 1212 1197 1191";
    QTest::newRow("position: bank payment agent")
        << Build([] { return RR::position(agentPosition(AgentData::BankPayAgent)); })
        << "1214 1212 1222 1223{1073,1026,1075,1005,1016,1044} 1224{1225,1171} 1226";
    QTest::newRow("position: commission agent")
        << Build([] { return RR::position(agentPosition(AgentData::CommissionAgent)); })
        << "1214 1212 1222 1223{1073} 1224{1225,1171} 1226";
    QTest::newRow("correction: basis without a number") << Build([] {
        RR::Correction in;
        in.basisName = QStringLiteral("Предписание");
        return RR::correction(in);
    }) << "1055 1173";
}

void TestReceiptRequisites::groups()
{
    QFETCH(Build, build);
    QTEST(layout(build()), "tags");
}

// Little-endian tags, lengths and dates; empty members kept; CP866 texts.
void TestReceiptRequisites::encodings()
{
    RR::Position in = agentPosition(AgentData::PayAgent);
    in.agent.payAgentPhone = QStringLiteral("+7");
    in.supplierName = QStringLiteral("МТС");
    const RR::Group g = RR::position(in);
    QCOMPARE(g.at(2).tlv.toHex(), QByteArray("000100c604010004"));
    QCOMPARE(g.at(3).tlv.toHex(),
        QByteArray("000100c7040a0031040200"
                   "2b37"
                   "32040000"));
    QCOMPARE(g.at(4).tlv.toHex(),
        QByteArray("000100c8040b00c9040300"
                   "8c9291"
                   "93040000"));
    QCOMPARE(RR::unixtime(QDate(1970, 1, 1)).toHex(), QByteArray("00000000"));
    QCOMPARE(RR::unixtime(QDate(2037, 12, 31)).toHex(), QByteArray("00c6e67f"));
}

void TestReceiptRequisites::brokenDirectory_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QList<qint64>>("ids");
    QTest::newRow("missing") << QByteArray() << QList<qint64>();
    QTest::newRow("not JSON") << QByteArray("[{\"id\": 1,") << QList<qint64>();
    QTest::newRow("an object") << QByteArray("{\"id\": 1}") << QList<qint64>();
    QTest::newRow("element without id")
        << QByteArray("[{\"name\": \"x\"}, {\"id\": 7, \"parameters\": []}]")
        << QList<qint64> { 7 };
}

void TestReceiptRequisites::brokenDirectory()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<qint64>, ids);
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(content);
    file.close();
    const ProviderDirectory d
        = ProviderDirectory::load(file.fileName() + (content.isEmpty() ? ".none" : ""));
    QCOMPARE(d.size(), ids.size());
    for (const qint64 id : ids)
        QVERIFY(d.contains(id) && d.provider(id).parameters.isEmpty());
}

// Rows follow the supplier's parameters; values go out in key order with their receipt
// captions; a supplier without parameters leaves no rows and no details.
void TestReceiptRequisites::paymentDetailFields()
{
    const ProviderDirectory directory = ProviderDirectory::load();
    ProviderParameterFillWidget widget;
    widget.setParameters(directory.provider(13756));
    widget.setValues({ { "date", "01021990" }, { "other", "x" } });
    widget.rows().at(0)->setValue(QStringLiteral("123456"));
    QCOMPARE(widget.values(),
        (QMap<QString, QString> { { "contract", "123456" }, { "date", "01021990" } }));
    QCOMPARE(RR::paymentDetails(widget.values(), directory.provider(13756)),
        QStringLiteral("Договор\t123456\nДата рождения\t01021990"));
    widget.setParameters(directory.provider(1));
    QCOMPARE(widget.findChildren<ParameterLineEdit *>().size(), 1);
    widget.setParameters(ProviderDirectory::Provider());
    QCOMPARE(widget.findChildren<ParameterLineEdit *>().size(), 0);
    QVERIFY(widget.values().isEmpty());
}

// Hand-edited settings must not produce half-typed values.
void TestReceiptRequisites::storedValuesOfWrongType()
{
    const AgentData agent
        = AgentData::fromMap({ { "payAgentPhone", 7 }, { "payReceiverPhone", "+7" } });
    QCOMPARE(agent.payAgentPhone, QString());
    QCOMPARE(agent.payReceiverPhone, QStringLiteral("+7"));
    const ProviderData provider = ProviderData::fromMap({ { "providerId", "abc" },
        { "payDetails", QVariantMap { { "phone", "916" }, { "bad", QVariantList() } } } });
    QCOMPARE(provider.providerId, qint64(0));
    QCOMPARE(provider.payDetails, (QMap<QString, QString> { { "phone", "916" } }));
    QVERIFY(ProviderData::fromMap(provider.toMap()) == provider);
}

QTEST_MAIN(TestReceiptRequisites)
#include "tst_receiptrequisites.moc"
