// The configurator's command buffer controller driving orvaemu over TCP while the emulator
// loses and garbles frames: nothing is lost, nothing runs twice.

#include "emulatorprocess.h"
#include "frcommandscontroller.h"
#include "tempprofile.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Ctl = FrCommandsController;

class TestEmulatorController : public QObject
{
    Q_OBJECT
private slots:
    void lossyLinkNeitherLosesNorDoubles();
};

void TestEmulatorController::lossyLinkNeitherLosesNorDoubles()
{
    QTemporaryDir dir;
    const QString journal = dir.filePath("lossy.jsonl");
    EmulatorProcess emu;
    QVERIFY(emu.start({ "--drop", "0.1", "--corrupt", "0.05", "--seed", "20240305", "--journal",
        journal, "--log-frames" }));
    TempProfile profile;
    profile.setAtolPort(emu.port());
    Ctl c;
    c.setAnswerTimeout(100);
    c.setReqInterval(150);
    QSignalSpy up(&c, &Ctl::connectState);
    QSignalSpy answers(&c, &Ctl::assyncAnswer);
    QSignalSpy errors(&c, &Ctl::assyncError);
    QVERIFY(c.start());
    QVERIFY(up.wait(10000));
    QCOMPARE(up.at(0).at(0).toBool(), true);

    const int count = 300;
    QList<int> issued { c.sendSetModeCommand(1) };
    for (int i = 0; i < count; ++i)
        issued << c.sendIntroductionCommand(qt5ext::FixNumber(100, qint64(100)));
    issued << c.sendGetFrMoneyCommand().tid;
    // Every task finishes exactly once, in queue order, under its own TID.
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), count + 2, 60000);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(c.bufferSize(), 0);
    QList<int> got;
    for (const QList<QVariant> &a : qAsConst(answers))
        got << a.at(0).toInt();
    QCOMPARE(got, issued);
    for (int i = 0; i <= count; ++i)
        QCOMPARE(answers.at(i).at(1).toByteArray().toHex(), QByteArray("550000"));
    QCOMPARE(answers.last().at(1).toByteArray().toHex(), QByteArray("4d00000000030000"));
    QFile f(journal);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count("\"type\":\"cashIn\""), count);
    // The faults were really there.
    const QString log = emu.readOutput();
    QVERIFY(log.contains("fault seed 20240305"));
    QVERIFY(log.count("(dropped)") > count / 10);
    QVERIFY(log.count("(corrupted)") > count / 20);
    c.stop();
}

QTEST_GUILESS_MAIN(TestEmulatorController)
#include "tst_emulatorcontroller.moc"
