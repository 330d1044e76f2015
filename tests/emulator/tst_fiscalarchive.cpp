// The register model's fiscal storage: documents kept under their numbers and printed back
// as recorded, tickets, registrations, and the rules of the Z report, common clear and
// archive closing around it.

#include "registercommands.h"
#include "registermodel.h"
#include "statefile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace RegisterCommands;

namespace {

using L = QList<QByteArray>;

enum Ofd { Online, Offline, BackOnline };

QString hexOf(const QByteArray &b)
{
    return QString::fromLatin1(b.toHex());
}

// A register registered twice: the second registration changed the operator.
RegisterState reRegistered()
{
    RegisterState s = RegisterState::fresh();
    s.ofdInn = QStringLiteral("7709364346");
    s.ofdName = QStringLiteral("ОФД-2");
    QJsonObject reg = s.storage.document(1);
    reg.insert(QStringLiteral("fd"), 2);
    reg.insert(QStringLiteral("registration"), 2);
    reg.insert(QStringLiteral("parameters"), s.registrationParameters());
    s.storage.add(reg);
    s.documentNumber = 2;
    s.registrations = 2;
    // What the register holds now is not what either registration recorded.
    s.ofdInn = QStringLiteral("0000000000");
    return s;
}

} // namespace

class TestFiscalArchive : public QObject
{
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void registrations_data();
    void registrations();
    void copyIsTheRecordedDocument();
    void stateFile_data();
    void stateFile();

private:
    // Runs the command after the setup (which must be accepted) and compares: "answer=HEX"
    // with the answer, otherwise "key=value" pairs (path/key into objects, * for any value)
    // with the document the command printed.
    static void check(
        RegisterModel &m, const L &setup, const QByteArray &command, const QString &expected);
};

void TestFiscalArchive::check(
    RegisterModel &m, const L &setup, const QByteArray &command, const QString &expected)
{
    for (const QByteArray &c : setup) {
        const RegisterModel::Answer a = m.execute(c);
        QVERIFY2(!a.refused, qPrintable(hexOf(c) + QLatin1String(" -> ") + hexOf(a.bytes)));
    }
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    const RegisterModel::Answer a = m.execute(command);
    if (expected.startsWith(QLatin1String("answer="))) {
        QCOMPARE(QStringLiteral("answer=") + hexOf(a.bytes), expected);
        if (a.refused)
            QCOMPARE(printed.count(), 0);
        return;
    }
    QVERIFY2(!a.refused, qPrintable(hexOf(a.bytes)));
    QCOMPARE(printed.count(), 1);
    const QJsonObject doc = printed.at(0).at(0).toJsonObject();
    QStringList actual;
    for (const QString &item : expected.split(QLatin1Char(' '))) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        QJsonValue v = doc;
        for (const QString &part : key.split(QLatin1Char('/')))
            v = v.toObject().value(part);
        const QString text = v.toVariant().toString();
        actual << key + QLatin1Char('=')
                + (item.endsWith(QLatin1String("=*")) && !text.isEmpty() ? QStringLiteral("*")
                                                                         : text);
    }
    QCOMPARE(actual.join(QLatin1Char(' ')), expected);
}

void TestFiscalArchive::commands_data()
{
    QTest::addColumn<L>("setup");
    QTest::addColumn<int>("ofd");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("expected");

    const QByteArray e1 = enter(1), e3 = enter(3), e6 = enter(6), out = exitMode();
    const QByteArray z = hex("5a"), archive = hex("a7"), clear = hex("77");
    const L sale = L { e1 } + receipt(12345) + L { out };
    const L shiftWithSale = L { e1 } + receipt(20000) + zReport();

    // Documents: 1 registration, 2 shift opening, 3 receipt, 4 shift closing, ...
    QTest::newRow("Z moves the shift into the grand totals")
        << (shiftWithSale + L { e1 } + receipt(10000) + L { out, e3 }) << int(Online) << z
        << "type=shiftClose fd=7 totals/sales=10000 grandTotals/sales=30000 "
           "grandTotals/receipts=2";
    QTest::newRow("grand totals wait for the Z report")
        << (L { e1 } + receipt(10000)) << int(Online) << hex("9108")
        << "answer=5500" + QString(14, '0');
    QTest::newRow("common clear, storage fiscal")
        << L { e3 } << int(Online) << clear << "answer=55d400";
    QTest::newRow("common clear after the archive is closed")
        << (shiftWithSale + L { e6, archive, out, e3 }) << int(Online) << clear
        << "type=commonClear drawer=20000";
    QTest::newRow("archive close, shift open")
        << L { e1, hex("9a00"), out, e6 } << int(Online) << archive << "answer=559c00";
    QTest::newRow("archive close, documents without ticket")
        << (shiftWithSale + L { e6 }) << int(Offline) << archive << "answer=55ed00";
    QTest::newRow("archive close, tickets came later")
        << (shiftWithSale + L { e6 }) << int(BackOnline) << archive
        << "type=archiveClose fd=5 ticket=*";
    QTest::newRow("archive closed twice")
        << L { e6, archive } << int(Online) << archive << "answer=55d400";
    QTest::newRow("receipt by number")
        << (sale + L { e6 }) << int(Online) << hex("ab0003")
        << "type=documentCopy of=3 tlv=false document/type=receipt document/fd=3 "
           "document/total=12345 document/fiscalSign=*";
    QTest::newRow("registration by number in TLV form")
        << L { e6 } << int(Online) << hex("b60001")
        << "of=1 tlv=true document/type=registration document/parameters/1018=7701234567";
    QTest::newRow("document number not BCD")
        << L { e6 } << int(Online) << hex("ab000a") << "answer=551300";
    QTest::newRow("ticket of a receipt") << (sale + L { e6 }) << int(Online) << hex("a44103000000")
                                         << "type=fnReport request=65 number=3 "
                                            "fiscalSign=* ticket=*";
    QTest::newRow("ticket not yet come")
        << (sale + L { e6 }) << int(Offline) << hex("a44103000000") << "answer=55da00";
    QTest::newRow("ticket of document 258, only 3 kept")
        << (sale + L { e6 }) << int(Online) << hex("a44102010000") << "answer=55da00";
    QTest::newRow("documents without ticket")
        << (sale + L { e6 }) << int(Offline) << hex("a442") << "request=66 withoutTicket=2 first=2";
    QTest::newRow("every ticket came")
        << (sale + L { e6 }) << int(BackOnline) << hex("a442") << "withoutTicket=0 first=";
}

void TestFiscalArchive::commands()
{
    QFETCH(L, setup);
    QFETCH(int, ofd);
    QFETCH(QByteArray, command);
    QFETCH(QString, expected);
    RegisterModel m(RegisterState::fresh());
    m.setOfdOnline(ofd == Online);
    if (ofd == BackOnline) {
        // The setup's documents are recorded offline; the operator answers before the command.
        const QByteArray last = setup.takeLast();
        check(m, setup, last, QStringLiteral("answer=550000"));
        m.setOfdOnline(true);
        setup.clear();
    }
    check(m, setup, command, expected);
}

void TestFiscalArchive::registrations_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("expected");

    QTest::newRow("parameter of the last registration")
        << hex("a444f903") << "type=fnReport request=68 tag=1017 number=2 value=7709364346";
    QTest::newRow("parameter of registration 1")
        << hex("a44401f903") << "tag=1017 number=1 value=7704211201";
    QTest::newRow("parameter of registration 3") << hex("a44403f903") << "answer=55da00";
    QTest::newRow("tag that no registration holds") << hex("a4443904") << "answer=55da00";
    QTest::newRow("registration 2 by number") << hex(
        "a44302000000") << "request=67 number=2 document/fd=2 document/parameters/1046=ОФД-2";
    QTest::newRow("registration 0") << hex("a44300000000") << "answer=55da00";
    QTest::newRow("registration report") << hex("a8")
                                         << "type=registrationReport registration=2 "
                                            "document/parameters/1017=7709364346";
    QTest::newRow("registration report 1") << hex("dc00000001") << "registration=1 document/fd=1";
}

void TestFiscalArchive::registrations()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, expected);
    RegisterModel m(reRegistered());
    check(m, L { enter(6) }, command, expected);
}

void TestFiscalArchive::copyIsTheRecordedDocument()
{
    RegisterModel m(RegisterState::fresh());
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    for (const QByteArray &c : L { enter(1) } + receipt(500) + receipt(700)
            + L { exitMode(), enter(6), hex("ab0003"), hex("ab0004") })
        QVERIFY(!m.execute(c).refused);
    QCOMPARE(printed.count(), 5);
    // Each copy is the receipt as it was printed, number, sign and ticket included.
    const QJsonObject first = printed.at(1).at(0).toJsonObject();
    const QJsonObject second = printed.at(2).at(0).toJsonObject();
    QCOMPARE(printed.at(3).at(0).toJsonObject().value("document").toObject(), first);
    QCOMPARE(printed.at(4).at(0).toJsonObject().value("document").toObject(), second);
    QVERIFY(first.value("fiscalSign") != second.value("fiscalSign"));
}

void TestFiscalArchive::stateFile_data()
{
    QTest::addColumn<QString>("from"); // text replaced in the written state
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("documents"); // -1: refused

    QTest::newRow("as written") << QString() << QString() << 3;
    // A state from before the storage kept its documents.
    QTest::newRow("no documents") << "\"fnDocuments\""
                                  << "\"fnDocuments_\"" << 0;
    QTest::newRow("number twice") << "\"fd\": 2"
                                  << "\"fd\": 1" << -1;
    QTest::newRow("number as text") << "\"fd\": 3"
                                    << "\"fd\": \"3\"" << -1;
    QTest::newRow("not an array") << "\"fnDocuments\": ["
                                  << "\"fnDocuments\": 5, \"x\": [" << -1;
}

void TestFiscalArchive::stateFile()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, documents);
    RegisterModel m(RegisterState::fresh());
    for (const QByteArray &c : L { enter(1) } + receipt(900))
        QVERIFY(!m.execute(c).refused);
    QByteArray text = QJsonDocument(m.state().toJson()).toJson();
    if (!from.isEmpty()) {
        QVERIFY(text.contains(from.toUtf8()));
        text.replace(from.toUtf8(), to.toUtf8());
    }
    QTemporaryDir dir;
    QFile f(dir.filePath("state.json"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    RegisterState loaded;
    QString error;
    const bool ok = StateFile(f.fileName()).load(&loaded, &error);
    QCOMPARE(ok ? loaded.storage.size() : -1, documents);
    if (!ok) {
        QVERIFY2(error.contains("fnDocuments"), qPrintable(error));
        return;
    }
    // Only what the storage keeps can be printed by number.
    RegisterModel again(loaded);
    QVERIFY(!again.execute(enter(6)).refused);
    QCOMPARE(hexOf(again.execute(hex("ab0003")).bytes), QString(documents ? "550000" : "55da00"));
}

QTEST_GUILESS_MAIN(TestFiscalArchive)
#include "tst_fiscalarchive.moc"
