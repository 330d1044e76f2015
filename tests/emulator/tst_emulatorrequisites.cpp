// What orvaemu does with the requisites of receipts: value rules, agent positions at the
// close, and a requisite whose result is withheld (--drop-requisite).

#include "atol31frameparser.h"
#include "bcd.h"
#include "emulatorprocess.h"
#include "patol31.h"
#include "registermodel.h"

#include <QTcpSocket>
#include <QtTest>

using qt5ext::BCD;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray tlv(quint16 tag, const QByteArray &value, bool top = true)
{
    QByteArray b = top ? hex("000100") : QByteArray();
    b.append(char(tag & 0xFF)).append(char(tag >> 8));
    b.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return b + value;
}

QByteArray requisite(quint16 tag, const QByteArray &value)
{
    return QByteArray(1, char(0xE8)) + tlv(tag, value);
}

// An item at 1.00 x 1.000, tax 1, section 1; cancelled with 0xE7.
QByteArray item(bool cancel = false, const QByteArray &name = "A")
{
    QByteArray r(1, char(cancel ? 0xE7 : 0xE6));
    r += QByteArray(1, '\0') + name.leftJustified(64, '\0');
    r += BCD::int2bcd(100, 12) + BCD::int2bcd(1000, 10);
    r += hex("0100") + BCD::int2bcd(0, 12) + hex("0101");
    return r + QByteArray(17, '\0');
}

const QByteArray ENTER_1 = hex("560100000047");
const QByteArray OPEN_SALE = hex("920001");
const QByteArray CLOSE_CASH_100 = hex("4a00010000000100");
const QByteArray AGENT = requisite(1222, hex("04"));
const QByteArray SUPPLIER = requisite(1224, tlv(1225, "MTS", false) + tlv(1171, "", false));
const QByteArray SUPPLIER_INN = requisite(1226, "7740000076");

// Frames to and from orvaemu, each shown as "id:payload" in hex.
class Link
{
public:
    bool open(quint16 port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return m_socket.waitForConnected(5000);
    }
    QStringList exchange(quint8 id, const QByteArray &payload, int answers, int ms = 3000)
    {
        m_socket.write(PAtol31::buildFrame(id, payload));
        QStringList frames;
        QDeadlineTimer deadline(ms);
        while (frames.size() < answers && !deadline.hasExpired()) {
            if (m_socket.bytesAvailable() == 0)
                m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
            for (const char c : m_socket.readAll()) {
                if (m_parser.feed(quint8(c)) == Atol31FrameParser::Complete)
                    frames << QStringLiteral("%1:%2")
                                  .arg(m_parser.id(), 2, 16, QLatin1Char('0'))
                                  .arg(QString::fromLatin1(m_parser.payload().toHex()));
            }
        }
        return frames;
    }

private:
    QTcpSocket m_socket;
    Atol31FrameParser m_parser;
};

QByteArray add(quint8 tid, const QByteArray &command)
{
    return hex("c102") + char(tid) + hex("0000") + command;
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
    void withheldRequisite();
    void withheldRequisiteOption_data();
    void withheldRequisiteOption();
};

void TestEmulatorRequisites::requisiteValues_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("code"); // 0: taken

    QTest::newRow("subject 1") << requisite(1212, hex("01")) << 0;
    QTest::newRow("subject 13") << requisite(1212, hex("0d")) << 0;
    QTest::newRow("subject 0") << requisite(1212, hex("00")) << 0xE7;
    QTest::newRow("subject 14") << requisite(1212, hex("0e")) << 0xE7;
    QTest::newRow("subject of two bytes") << requisite(1212, hex("0100")) << 0x13;
    QTest::newRow("method 7") << requisite(1214, hex("07")) << 0;
    QTest::newRow("method 8") << requisite(1214, hex("08")) << 0xE7;
    QTest::newRow("correction kind 2") << requisite(1173, hex("02")) << 0xE7;
    QTest::newRow("agent attorney") << requisite(1222, hex("10")) << 0;
    QTest::newRow("two agent kinds") << requisite(1222, hex("05")) << 0xF1;
    QTest::newRow("agent bit 7") << requisite(1222, hex("80")) << 0xF1;
    QTest::newRow("basis date of 3 bytes")
        << requisite(1174, tlv(1177, "A", false) + tlv(1178, hex("8060e6"), false)) << 0x13;
    QTest::newRow("basis date of 4 bytes")
        << requisite(1174, tlv(1177, "A", false) + tlv(1178, hex("8060e665"), false)) << 0;
}

void TestEmulatorRequisites::requisiteValues()
{
    QFETCH(QByteArray, command);
    QFETCH(int, code);
    RegisterModel m(RegisterState::fresh());
    QVERIFY(!m.execute(ENTER_1).refused);
    QVERIFY(!m.execute(OPEN_SALE).refused);
    QVERIFY(!m.execute(item()).refused);
    const RegisterModel::Answer a = m.execute(command);
    QCOMPARE(int(quint8(a.bytes.at(1))), code);
    // A refused value is not kept.
    QCOMPARE(
        m.state().receipt.positions.first().requisites.size() + m.state().receipt.requisites.size(),
        code == 0 ? 1 : 0);
}

void TestEmulatorRequisites::agentPositionAtClose_data()
{
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<int>("code");
    using L = QList<QByteArray>;
    QTest::newRow("agent with supplier and INN")
        << L { item(), AGENT, SUPPLIER, SUPPLIER_INN } << 0;
    QTest::newRow("agent without INN") << L { item(), AGENT, SUPPLIER } << 0xF2;
    QTest::newRow("agent without supplier") << L { item(), AGENT, SUPPLIER_INN } << 0xF2;
    QTest::newRow("incomplete agent position cancelled")
        << L { item(), AGENT, item(true), item(false, "B") } << 0;
}

void TestEmulatorRequisites::agentPositionAtClose()
{
    QFETCH(QList<QByteArray>, commands);
    QFETCH(int, code);
    RegisterModel m(RegisterState::fresh());
    for (const QByteArray &c : QList<QByteArray> { ENTER_1, OPEN_SALE } + commands)
        QVERIFY2(!m.execute(c).refused, c.toHex().constData());
    const RegisterModel::Answer a = m.execute(CLOSE_CASH_100);
    QCOMPARE(int(quint8(a.bytes.at(1))), code);
    QCOMPARE(m.state().receiptOpen, code != 0);
}

// The requisite is stored but its task stays busy; what follows waits behind it until an
// abort, after which the register works as before.
void TestEmulatorRequisites::withheldRequisite()
{
    EmulatorProcess emu;
    QVERIFY(emu.start({ "--drop-requisite", "1197" }));
    Link link;
    QVERIFY(link.open(emu.port()));
    QCOMPARE(link.exchange(1, add(1, ENTER_1), 2), QStringList({ "01:a101", "f0:a601550000" }));
    link.exchange(2, add(2, OPEN_SALE), 2);
    link.exchange(3, add(3, item()), 2);
    QCOMPARE(link.exchange(4, add(4, requisite(1214, hex("04"))), 2),
        QStringList({ "04:a104", "f0:a604550000" }));
    QCOMPARE(link.exchange(5, add(5, requisite(1197, "kg")), 2, 500), QStringList({ "05:a105" }));
    QCOMPARE(link.exchange(6, hex("c305"), 1), QStringList({ "06:a205" }));
    QCOMPARE(
        link.exchange(7, add(7, requisite(1212, hex("01"))), 2, 500), QStringList({ "07:a107" }));
    QCOMPARE(link.exchange(8, hex("c307"), 1), QStringList({ "08:a107" }));
    QCOMPARE(link.exchange(9, hex("c4"), 1), QStringList({ "09:a5" }));
    QCOMPARE(link.exchange(10, add(8, hex("3f")), 2).value(1).left(9), QStringLiteral("f0:a60844"));
    QTRY_VERIFY(emu.readOutput().contains(
        QStringLiteral("task 5: requisite 1197 stored, result withheld")));
}

void TestEmulatorRequisites::withheldRequisiteOption_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("zero") << "0";
    QTest::newRow("too big") << "65536";
    QTest::newRow("not a number") << "unit";
}

void TestEmulatorRequisites::withheldRequisiteOption()
{
    QFETCH(QString, value);
    QString out, err;
    QCOMPARE(EmulatorProcess::run({ "--drop-requisite", value }, &out, &err), 1);
    QVERIFY2(err.contains(QStringLiteral("--drop-requisite needs a tag number 1..65535")),
        qPrintable(err));
}

QTEST_GUILESS_MAIN(TestEmulatorRequisites)
#include "tst_emulatorrequisites.moc"
