// The register model's fiscal storage: tickets, the state file, and the rules of archive
// closing around it. The Z report, common clear and what is printed by number are checked
// through the reports page.

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

// Runs the command after the setup (which must be accepted) and compares: "answer=HEX" with the
// answer, otherwise the fields of the document the command printed.
void check(RegisterModel &m, const L &setup, const QByteArray &command, const QString &expected)
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
    QCOMPARE(documentFields(printed.at(0).at(0).toJsonObject(), expected), expected);
}

} // namespace

class TestFiscalArchive : public QObject
{
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void stateFile_data();
    void stateFile();
};

void TestFiscalArchive::commands_data()
{
    QTest::addColumn<L>("setup");
    QTest::addColumn<int>("ofd");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("expected");

    const QByteArray e1 = enter(1), e6 = enter(6), out = exitMode();
    const QByteArray archive = hex("a7");
    const L sale = L { e1 } + receipt(12345) + L { out };
    const L shiftWithSale = L { e1 } + receipt(20000) + zReport();

    // Documents: 1 registration, 2 shift opening, 3 receipt, 4 shift closing, ...
    QTest::newRow("archive close, shift open")
        << L { e1, hex("9a00"), out, e6 } << int(Online) << archive << "answer=559c00";
    QTest::newRow("archive close, tickets came later")
        << (shiftWithSale + L { e6 }) << int(BackOnline) << archive
        << "type=archiveClose fd=5 ticket=*";
    QTest::newRow("archive closed twice")
        << L { e6, archive } << int(Online) << archive << "answer=55d400";
    QTest::newRow("ticket not yet come")
        << (sale + L { e6 }) << int(Offline) << hex("a44103000000") << "answer=55da00";
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
