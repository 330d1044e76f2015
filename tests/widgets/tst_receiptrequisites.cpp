// The requisite groups byte by byte, the supplier directory and the payment-detail fields,
// without a register.

#include "agentdata.h"
#include "parameterlineedit.h"
#include "providerdata.h"
#include "providerdirectory.h"
#include "providerparameterfillwidget.h"
#include "receiptrequisites.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QTextCodec>
#include <QtTest>

using RR = ReceiptRequisites;

namespace {

QByteArray cp866(const QString &text)
{
    return QTextCodec::codecForName("CP866")->fromUnicode(text);
}

// Nested TLV as the register reads it: tag and length little-endian.
QByteArray tlv(quint16 tag, const QByteArray &value)
{
    QByteArray b;
    b.append(char(tag & 0xFF)).append(char(tag >> 8));
    b.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return b + value;
}

QList<int> tagsOf(const RR::Group &group)
{
    QList<int> tags;
    for (const RR::Requisite &r : group)
        tags << r.tag;
    return tags;
}

// Tags of the members inside a structure's top-level TLV.
QList<int> memberTags(const QByteArray &topLevel)
{
    QList<int> tags;
    const QByteArray value = topLevel.mid(7);
    for (int at = 0; at + 4 <= value.size();) {
        tags << (quint8(value.at(at)) | (quint8(value.at(at + 1)) << 8));
        at += 4 + (quint8(value.at(at + 2)) | (quint8(value.at(at + 3)) << 8));
    }
    return tags;
}

AgentData fullAgent()
{
    AgentData a;
    a.payOperatorName = QStringLiteral("ООО Перевод");
    a.payOperatorPhone = QStringLiteral("+74950000001");
    a.payOperatorAddress = QStringLiteral("Москва");
    a.payOperatorInn = QStringLiteral("7701000001");
    a.payAgentOperation = QStringLiteral("Оплата");
    a.payAgentPhone = QStringLiteral("+79990001122");
    a.payReceiverPhone = QStringLiteral("+74951112233");
    return a;
}

} // namespace

Q_DECLARE_METATYPE(RR::General)
Q_DECLARE_METATYPE(RR::Position)
Q_DECLARE_METATYPE(RR::Correction)

class TestReceiptRequisites : public QObject
{
    Q_OBJECT
private slots:
    void generalGroup_data();
    void generalGroup();
    void positionGroup_data();
    void positionGroup();
    void agentDataMembers_data();
    void agentDataMembers();
    void correctionGroup_data();
    void correctionGroup();
    void exactBytes();
    void unixtime_data();
    void unixtime();
    void paymentDetails();
    void shippedDirectory();
    void brokenDirectory_data();
    void brokenDirectory();
    void storedValuesOfWrongType();
    void agentTexts_data();
    void agentTexts();
    void parameterRows();
};

void TestReceiptRequisites::generalGroup_data()
{
    QTest::addColumn<RR::General>("in");
    QTest::addColumn<QList<int>>("tags");
    RR::General only;
    only.taxSystem = 2;
    QTest::newRow("tax system only") << only << QList<int> { 1055 };
    RR::General all = only;
    all.buyerContact = QStringLiteral("+79161234567");
    all.additional = QStringLiteral("БСО-1");
    all.userName = QStringLiteral("Карта");
    all.userValue = QStringLiteral("1234");
    QTest::newRow("everything") << all << QList<int> { 1055, 1008, 1192, 1084 };
    RR::General nameOnly = only;
    nameOnly.userName = QStringLiteral("Карта");
    QTest::newRow("user requisite without a value") << nameOnly << QList<int> { 1055 };
}

void TestReceiptRequisites::generalGroup()
{
    QFETCH(RR::General, in);
    QFETCH(QList<int>, tags);
    const RR::Group group = RR::general(in);
    QCOMPARE(tagsOf(group), tags);
    QCOMPARE(group.first().tlv.toHex(),
        QByteArray("0001001f040100") + QByteArray::number(in.taxSystem, 16).rightJustified(2, '0'));
}

void TestReceiptRequisites::positionGroup_data()
{
    QTest::addColumn<RR::Position>("in");
    QTest::addColumn<QList<int>>("tags");
    RR::Position plain;
    QTest::newRow("no agent, no texts") << plain << QList<int> { 1214, 1212 };
    RR::Position texts = plain;
    texts.unit = QStringLiteral("кг");
    texts.additional = QStringLiteral("партия 5");
    texts.paymentDetails = QStringLiteral("Номер\t9161234567"); // ignored without an agent
    QTest::newRow("no agent, texts") << texts << QList<int> { 1214, 1212, 1197, 1191 };
    RR::Position agent = texts;
    agent.agentKind = AgentData::PayAgent;
    QTest::newRow("agent with payment details")
        << agent << QList<int> { 1214, 1212, 1222, 1223, 1224, 1226, 1197, 3005, 1191 };
    agent.paymentDetails.clear();
    agent.unit.clear();
    agent.additional.clear();
    QTest::newRow("agent, supplier without parameters")
        << agent << QList<int> { 1214, 1212, 1222, 1223, 1224, 1226 };
}

void TestReceiptRequisites::positionGroup()
{
    QFETCH(RR::Position, in);
    QFETCH(QList<int>, tags);
    QCOMPARE(tagsOf(RR::position(in)), tags);
}

// Which members tag 1223 carries is decided by the agent kind's bits.
void TestReceiptRequisites::agentDataMembers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<int>>("members");
    QTest::newRow("bank payment agent")
        << 0x01 << QList<int> { 1073, 1026, 1075, 1005, 1016, 1044 };
    QTest::newRow("bank payment subagent")
        << 0x02 << QList<int> { 1073, 1026, 1075, 1005, 1016, 1044 };
    QTest::newRow("payment agent") << 0x04 << QList<int> { 1073, 1074 };
    QTest::newRow("payment subagent") << 0x08 << QList<int> { 1073, 1074 };
    QTest::newRow("commission agent") << 0x20 << QList<int> { 1073 };
}

void TestReceiptRequisites::agentDataMembers()
{
    QFETCH(int, kind);
    QFETCH(QList<int>, members);
    RR::Position in;
    in.agentKind = kind;
    in.agent = fullAgent();
    const RR::Group group = RR::position(in);
    QCOMPARE(group.at(2).tlv.toHex(),
        QByteArray("000100c6040100") + QByteArray::number(kind, 16).rightJustified(2, '0'));
    QCOMPARE(memberTags(group.at(3).tlv), members);
}

void TestReceiptRequisites::correctionGroup_data()
{
    QTest::addColumn<RR::Correction>("in");
    QTest::addColumn<QList<int>>("tags");
    RR::Correction own;
    QTest::newRow("independent, no basis") << own << QList<int> { 1055, 1173 };
    RR::Correction half = own;
    half.basisName = QStringLiteral("Предписание");
    QTest::newRow("basis without a number") << half << QList<int> { 1055, 1173 };
    RR::Correction order = half;
    order.kind = 1;
    order.basisNumber = QStringLiteral("12");
    order.basisDate = QDate(2024, 3, 5);
    QTest::newRow("by order") << order << QList<int> { 1055, 1173, 1174 };
}

void TestReceiptRequisites::correctionGroup()
{
    QFETCH(RR::Correction, in);
    QFETCH(QList<int>, tags);
    QCOMPARE(tagsOf(RR::correction(in)), tags);
}

// Prefix, tags and lengths little-endian, nested members, CP866 texts, empty members kept.
void TestReceiptRequisites::exactBytes()
{
    RR::Position in;
    in.agentKind = AgentData::PayAgent;
    in.agent.payAgentPhone = QStringLiteral("+7999");
    in.supplierName = QStringLiteral("МТС");
    in.supplierInn = QStringLiteral("7740000076");
    const RR::Group group = RR::position(in);
    const QByteArray agentData = tlv(1073, "+7999") + tlv(1074, QByteArray());
    QCOMPARE(group.at(3).tlv, QByteArray::fromHex("000100") + tlv(1223, agentData));
    QCOMPARE(group.at(4).tlv,
        QByteArray::fromHex("000100")
            + tlv(1224, tlv(1225, "\x8c\x92\x91") + tlv(1171, QByteArray())));
    QCOMPARE(group.at(5).tlv, QByteArray::fromHex("000100ca040a00") + "7740000076");
    QCOMPARE(RR::commission().first().tlv, QByteArray::fromHex("000100bc0401000b"));
}

void TestReceiptRequisites::unixtime_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("epoch") << QDate(1970, 1, 1) << QByteArray("00000000");
    QTest::newRow("5 March 2024") << QDate(2024, 3, 5) << QByteArray("8060e665");
    QTest::newRow("last day of 2037") << QDate(2037, 12, 31) << QByteArray("00c6e67f");
}

void TestReceiptRequisites::unixtime()
{
    QFETCH(QDate, date);
    QFETCH(QByteArray, bytes);
    QCOMPARE(RR::unixtime(date).toHex(), bytes);
}

void TestReceiptRequisites::paymentDetails()
{
    const ProviderDirectory directory = ProviderDirectory::load();
    const ProviderDirectory::Provider loans = directory.provider(13756);
    // In key order, whatever order the parameters have; unknown keys left out.
    QMap<QString, QString> values { { "date", "01021990" }, { "contract", "123456" },
        { "x", "y" } };
    QCOMPARE(RR::paymentDetails(values, loans),
        QStringLiteral("Договор\t123456\nДата рождения\t01021990"));
    QCOMPARE(RR::paymentDetails(values, ProviderDirectory::Provider()), QString());
    QCOMPARE(RR::text(QStringLiteral("Номер\t1")), cp866(QStringLiteral("Номер\t1")));
}

void TestReceiptRequisites::shippedDirectory()
{
    const ProviderDirectory directory = ProviderDirectory::load(QStringLiteral(":/providers.json"));
    QStringList suppliers;
    for (const ProviderDirectory::Provider &p : directory.providers()) {
        QStringList params;
        for (const ProviderDirectory::Parameter &q : p.parameters)
            params << QStringList { q.name, q.label, q.checkLabel, q.regExp, q.mask }.join('|');
        suppliers << QStringLiteral("%1 %2 %3 %4: %5")
                         .arg(p.id)
                         .arg(p.groupId)
                         .arg(p.groupName, p.name, params.join(QStringLiteral("; ")));
    }
    QCOMPARE(suppliers,
        QStringList({
            "1 12 Сотовая связь МТС: phone|Введите номер "
            "телефона|Номер|^9\\d{9}$|8-(000)-000-00-00",
            "1663 16 Продукция по каталогам Avon: account|Введите номер счета|Номер "
            "счета|^.{1,20}$|; "
            "fam|Введите ФИО|ФИО|^[А-Яа-яёЁ\\- ]{1,35}$|Ccccccccccccccccccccccccccccccccccc; "
            "phone|Введите номер телефона|Номер|^\\d{10}$|8-(000)-000-00-00",
            "13756 22 Займы Быстроденьги: contract|Введите номер договора|Договор|^[1-9]\\d{1,18}$|"
            "0099999999999999999; date|Введите дату рождения ДДММГГГГ|Дата "
            "рождения|^\\d{8}$|00.00.0000",
            "16097 24 Товары/услуги Dr.Web CureIt! 1ПК, 1 мес., 50 руб.: phone|Введите номер "
            "телефона|Номер|^\\d{10}$|8-(000)-000-00-00",
        }));
}

void TestReceiptRequisites::brokenDirectory_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QList<qint64>>("ids");
    QTest::newRow("missing") << QByteArray() << QList<qint64>();
    QTest::newRow("not JSON") << QByteArray("[{\"id\": 1,") << QList<qint64>();
    QTest::newRow("an object, not a list") << QByteArray("{\"id\": 1}") << QList<qint64>();
    QTest::newRow("element without id")
        << QByteArray("[{\"name\": \"x\"}, {\"id\": 7, \"name\": \"y\", \"parameters\": []}]")
        << QList<qint64> { 7 };
}

void TestReceiptRequisites::brokenDirectory()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<qint64>, ids);
    QTemporaryFile file;
    QVERIFY(file.open());
    QString path = file.fileName();
    if (content.isEmpty())
        path += QStringLiteral(".missing");
    else
        file.write(content);
    file.close();
    QList<qint64> loaded;
    for (const ProviderDirectory::Provider &p : ProviderDirectory::load(path).providers()) {
        loaded << p.id;
        QVERIFY(p.parameters.isEmpty());
    }
    QCOMPARE(loaded, ids);
}

// Hand-edited settings must not produce half-typed values.
void TestReceiptRequisites::storedValuesOfWrongType()
{
    const QVariantMap agent { { "payAgentPhone", 7 }, { "payReceiverPhone", "+7" } };
    QCOMPARE(AgentData::fromMap(agent).payAgentPhone, QString());
    QCOMPARE(AgentData::fromMap(agent).payReceiverPhone, QStringLiteral("+7"));
    const AgentData full = fullAgent();
    QVERIFY(AgentData::fromMap(full.toMap()) == full);

    const QVariantMap provider { { "providerId", "abc" }, { "name", QVariantList() },
        { "payDetails", QVariantMap { { "phone", "9161234567" }, { "bad", QVariantList() } } } };
    const ProviderData read = ProviderData::fromMap(provider);
    QCOMPARE(read.providerId, qint64(0));
    QCOMPARE(read.name, QString());
    QCOMPARE(read.payDetails, (QMap<QString, QString> { { "phone", "9161234567" } }));
    ProviderData stored;
    stored.providerId = 13756;
    stored.inn = QStringLiteral("7325081622");
    stored.payDetails.insert(QStringLiteral("contract"), QStringLiteral("42"));
    QVERIFY(ProviderData::fromMap(stored.toMap()) == stored);
}

void TestReceiptRequisites::agentTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("kindText");
    QTest::addColumn<QString>("dataText");
    QTest::newRow("none") << 0 << "не задано"
                          << "не задано";
    QTest::newRow("bank agent and agent")
        << 0x41 << "Банк пл агент, агент"
        << "Оператор перевода[ООО Перевод, телефон: +74950000001, адрес: Москва, ИНН: 7701000001], "
           "Платежный агент[телефон:+79990001122, операция: Оплата], Телефон оператора по приему "
           "платежей: +74951112233";
    QTest::newRow("attorney") << 0x10 << "повер"
                              << "Платежный агент[телефон:+79990001122], Телефон оператора по "
                                 "приему платежей: +74951112233";
}

void TestReceiptRequisites::agentTexts()
{
    QFETCH(int, kind);
    QFETCH(QString, kindText);
    QFETCH(QString, dataText);
    QCOMPARE(AgentData::kindText(kind), kindText);
    QCOMPARE(fullAgent().displayText(kind), dataText);
}

void TestReceiptRequisites::parameterRows()
{
    const ProviderDirectory directory = ProviderDirectory::load();
    ProviderParameterFillWidget widget;
    widget.setParameters(directory.provider(1663));
    QStringList labels;
    for (ParameterLineEdit *row : widget.rows())
        labels << row->findChild<QLabel *>(QStringLiteral("label"))->text();
    QCOMPARE(
        labels, QStringList({ "Введите номер счета", "Введите ФИО", "Введите номер телефона" }));
    widget.setValues({ { "fam", "Иванова Анна" }, { "other", "x" } });
    widget.rows()
        .at(0)
        ->findChild<QLineEdit *>(QStringLiteral("lineEdit"))
        ->setText(QStringLiteral("A-17"));
    QCOMPARE(widget.values(),
        (QMap<QString, QString> {
            { "account", "A-17" }, { "fam", "Иванова Анна" }, { "phone", "" } }));

    // Another supplier replaces the rows; one without parameters leaves none.
    widget.setParameters(directory.provider(1));
    QCOMPARE(widget.values().keys(), QStringList({ "phone" }));
    QCOMPARE(widget.findChildren<ParameterLineEdit *>().size(), 1);
    widget.setParameters(ProviderDirectory::Provider());
    QVERIFY(widget.values().isEmpty());
    QCOMPARE(widget.findChildren<ParameterLineEdit *>().size(), 0);
}

QTEST_MAIN(TestReceiptRequisites)
#include "tst_receiptrequisites.moc"
