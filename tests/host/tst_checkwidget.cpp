// The last-receipt page: what arrives on the "receiptFile" socket, what is shown and what is
// refused (anyone on the machine may write there), and a cash-in on the emulator ending as a
// picture on the page.

#include "checkwidget.h"
#include "emulatorprocess.h"
#include "frcommandscontroller.h"
#include "mainwindow.h"
#include "tempprofile.h"

#include <QLabel>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

namespace {

QString picture(const QString &dir, const QString &name, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString path = dir + QLatin1Char('/') + name;
    return image.save(path, "PNG") ? path : QString();
}

struct Client : QLocalSocket
{
    Client() { connectToServer(CheckWidget::SERVER_NAME); }
    bool send(const QByteArray &bytes)
    {
        return waitForConnected(2000) && write(bytes) == bytes.size() && waitForBytesWritten(2000);
    }
};

} // namespace

class TestCheckWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TMPDIR", m_socketDir.path().toUtf8());
        m_good = picture(m_files.path(), "good.png", 200, 400);
        QVERIFY(!m_good.isEmpty());
    }

    void messages_data();
    void messages();
    void newestConnectionWins();
    void pathInPieces();
    void endlessMessageCutOff();
    void staleSocketTakenOver();
    void cashInOnEmulatorShowsReceipt();

private:
    QTemporaryDir m_socketDir; // TMPDIR: the socket name is ours alone
    QTemporaryDir m_files;
    QString m_good;
};

// Fault: a message is read untrimmed; a picture is not brought to the page's width; something that
// is not a small regular picture is shown, or reading it stalls the page so that the next picture
// never comes.
void TestCheckWidget::messages_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QSize>("shown"); // invalid: refused

    const QString dir = m_files.path();
    const QByteArray good = m_good.toUtf8();
    // A message naming a file of these bytes, made sparse up to the size.
    auto file = [dir](const char *name, const QByteArray &head, qint64 size = 0) {
        QFile f(dir + QLatin1Char('/') + QLatin1String(name));
        if (f.open(QIODevice::WriteOnly) && f.write(head) == head.size() && size > head.size())
            f.resize(size);
        return f.fileName().toUtf8() + '\0';
    };
    QTest::newRow("junk after the zero")
        << good + QByteArray("\0/etc/passwd", 12) << QSize(600, 1200);
    QTest::newRow("blanks around") << "  " + good + " \r\n" << QSize(600, 1200);
    QTest::newRow("wide scaled down")
        << picture(dir, "wide.png", 1200, 300).toUtf8() + '\0' << QSize(600, 150);
    QTest::newRow("missing path") << (dir + "/none.png\n").toUtf8() << QSize();

    const QString fifo = dir + "/fifo.png";
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    QTest::newRow("fifo") << fifo.toUtf8() + '\0' << QSize();

    // A real picture at its head: only its size may refuse it.
    QFile original(m_good);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QTest::newRow("1 GiB file") << file("huge.png", original.readAll(), qint64(1) << 30) << QSize();
    QTest::newRow("text file") << file("text.png", "not a picture\n") << QSize();
    // 9000 x 9000 white pixels in a 10 MB bitmap: small on disk, 81 megapixels and hundreds of
    // megabytes once decoded and scaled.
    QTest::newRow("picture bomb") << file("bomb.pbm", "P4\n9000 9000\n", 9000 / 8 * 9000 + 13)
                                  << QSize();
}

void TestCheckWidget::messages()
{
    QFETCH(QByteArray, message);
    QFETCH(QSize, shown);
    CheckWidget w;
    QVERIFY(w.isListening());
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    QSignalSpy refused(&w, &CheckWidget::checkRefused);
    Client c;
    QVERIFY(c.send(message));
    if (shown.isValid()) {
        QVERIFY(received.wait(5000));
        QCOMPARE(w.label()->pixmap(Qt::ReturnByValue).size(), shown);
        QCOMPARE(refused.count(), 0);
        return;
    }
    QVERIFY(refused.wait(5000));
    QCOMPARE(received.count(), 0);
    // Refused: the page still takes the next picture.
    Client next;
    QVERIFY(next.send(m_good.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
    QCOMPARE(refused.count(), 1);
    QCOMPARE(w.shownPath(), m_good);
}

// Fault: an older connection still reaches the page after a newer one came.
void TestCheckWidget::newestConnectionWins()
{
    CheckWidget w;
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    const QString second = picture(m_files.path(), "second.png", 100, 300);
    Client a;
    QVERIFY(a.send(m_good.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
    Client b;
    QVERIFY(b.waitForConnected(2000));
    QTRY_COMPARE(a.state(), QLocalSocket::UnconnectedState);
    QVERIFY(b.send(second.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
    QCOMPARE(w.shownPath(), second);
}

// Fault: the first piece of a path is taken for the whole.
void TestCheckWidget::pathInPieces()
{
    CheckWidget w;
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    QSignalSpy refused(&w, &CheckWidget::checkRefused);
    Client c;
    const QByteArray path = m_good.toUtf8();
    QVERIFY(c.send(path.left(path.size() - 6)));
    QTest::qWait(50);
    QVERIFY(c.send(path.mid(path.size() - 6) + '\0'));
    QVERIFY(received.wait(5000));
    QCOMPARE(refused.count(), 0);
    QCOMPARE(w.shownPath(), m_good);
}

// Fault: a client that never sends a zero byte grows the page's memory without end.
void TestCheckWidget::endlessMessageCutOff()
{
    CheckWidget w;
    Client c;
    QVERIFY(c.send(QByteArray(3 * CheckWidget::MAX_MESSAGE, 'a')));
    QTRY_COMPARE(c.state(), QLocalSocket::UnconnectedState);
}

// Fault: the file left by a crashed run keeps the page deaf for good, or a second page takes the
// name from a live one, which then never hears of a receipt again.
void TestCheckWidget::staleSocketTakenOver()
{
    QFile stale(m_socketDir.filePath(CheckWidget::SERVER_NAME));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    CheckWidget w;
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    CheckWidget second;
    QVERIFY(!second.isListening());
    Client c;
    QVERIFY(c.send(m_good.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
}

// Fault: the emulator's printed document never reaches the page, or the page stays hidden.
void TestCheckWidget::cashInOnEmulatorShowsReceipt()
{
    TempProfile profile;
    QTemporaryDir receipts;
    EmulatorProcess emu;
    QVERIFY(emu.start({ "--receipts", receipts.path() }));
    profile.setAtolPort(emu.port());
    MainWindow window(nullptr);
    auto page = window.findChild<CheckWidget *>(QStringLiteral("pageCheck"));
    QVERIFY(page && page->isListening());
    auto tabs = window.findChild<QStackedWidget *>(QStringLiteral("mainTabs"));
    QVERIFY(tabs->currentIndex() != 5);

    FrCommandsController ctl;
    QSignalSpy up(&ctl, &FrCommandsController::connectState);
    QSignalSpy answers(&ctl, &FrCommandsController::assyncAnswer);
    QVERIFY(ctl.start());
    QVERIFY(up.wait(10000));
    ctl.sendSetModeCommand(1);
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), 1, 10000);
    // Cash-in of 1.00: it opens the shift, so two documents print, the cash-in last.
    ctl.sendFrCommand(0x49, QByteArray::fromHex("000000000100"));
    QTRY_VERIFY_WITH_TIMEOUT(page->shownPath().endsWith(QLatin1String("-cashIn.png")), 10000);
    ctl.stop();
    QVERIFY(page->shownPath().startsWith(QDir(receipts.path()).absolutePath()));
    QCOMPARE(tabs->currentIndex(), 5);
    QVERIFY(window.findChild<QToolButton *>(QStringLiteral("tbCheck"))->isChecked());
    QCOMPARE(page->label()->pixmap(Qt::ReturnByValue).width(), 600);
}

QTEST_MAIN(TestCheckWidget)
#include "tst_checkwidget.moc"
