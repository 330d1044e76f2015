// What the register model does with the requisites of receipts: value rules and agent
// positions at the close. The withheld result (--drop-requisite) is driven through the
// cash page.

#include "registercommands.h"
#include "registermodel.h"

#include <QtTest>

using namespace RegisterCommands;

namespace {

// Registration, a sale receipt and the commands: the answer code of the last one, or of
// the first refused.
int run(const QList<QByteArray> &commands, RegisterModel *m)
{
    int code = -1;
    for (const QByteArray &c : QList<QByteArray> { enter(1), hex("920001") } + commands) {
        const RegisterModel::Answer a = m->execute(c);
        code = quint8(a.bytes.at(1));
        if (a.refused)
            break;
    }
    return code;
}

} // namespace

class TestEmulatorRequisites : public QObject
{
    Q_OBJECT
private slots:
    void requisiteValues_data();
    void requisiteValues();
    void agentPositionAtClose_data();
    void agentPositionAtClose();
};

void TestEmulatorRequisites::requisiteValues_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("code"); // 0: taken
    QTest::newRow("subject 13") << requisite(1212, hex("0d")) << 0;
    QTest::newRow("subject 0") << requisite(1212, hex("00")) << 0xE7;
    QTest::newRow("subject 14") << requisite(1212, hex("0e")) << 0xE7;
    QTest::newRow("subject of two bytes") << requisite(1212, hex("0100")) << 0x13;
    QTest::newRow("method 8") << requisite(1214, hex("08")) << 0xE7;
    QTest::newRow("correction kind 2") << requisite(1173, hex("02")) << 0xE7;
    QTest::newRow("attorney") << requisite(1222, hex("10")) << 0;
    QTest::newRow("two agent kinds") << requisite(1222, hex("05")) << 0xF1;
    QTest::newRow("basis date of 3 bytes")
        << requisite(1174, tlv(1177, "A", false) + tlv(1178, hex("8060e6"), false)) << 0x13;
}

void TestEmulatorRequisites::requisiteValues()
{
    QFETCH(QByteArray, command);
    QFETCH(int, code);
    RegisterModel m(RegisterState::fresh());
    QCOMPARE(run({ position(100, 1000), command }, &m), code); // an item at 1.00 x 1.000
    // A refused value is not kept.
    const Receipt &r = m.state().receipt;
    QCOMPARE(r.positions.first().requisites.size() + r.requisites.size(), code == 0 ? 1 : 0);
}

void TestEmulatorRequisites::agentPositionAtClose_data()
{
    const QByteArray item = position(100, 1000);
    const QByteArray agent = requisite(1222, hex("04"));
    const QByteArray supplier = requisite(1224, tlv(1225, "MTS", false) + tlv(1171, "", false));
    const QByteArray inn = requisite(1226, "7740000076");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<int>("code");
    using L = QList<QByteArray>;
    QTest::newRow("with supplier and INN") << L { item, agent, supplier, inn } << 0;
    QTest::newRow("without INN") << L { item, agent, supplier } << 0xF2;
    QTest::newRow("without supplier") << L { item, agent, inn } << 0xF2;
    QTest::newRow("incomplete position cancelled")
        << L { item, agent, position(100, 1000, true), position(100, 1000, false, "B") } << 0;
}

void TestEmulatorRequisites::agentPositionAtClose()
{
    QFETCH(QList<QByteArray>, commands);
    QFETCH(int, code);
    RegisterModel m(RegisterState::fresh());
    QCOMPARE(run(commands << hex("4a00010000000100"), &m), code);
    QCOMPARE(m.state().receiptOpen, code != 0);
}

QTEST_GUILESS_MAIN(TestEmulatorRequisites)
#include "tst_emulatorrequisites.moc"
