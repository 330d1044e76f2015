// The last-receipt page: what arrives on the "receiptFile" socket, what is shown and what is
// refused (anyone on the machine may write there), and a sale on the emulator ending as a
// picture on the page.

#include "checkwidget.h"
#include "emulatorprocess.h"
#include "frcommandscontroller.h"
#include "mainwindow.h"
#include "tempprofile.h"
#include "waitmessagewidget.h"

#include <QLabel>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

namespace {

QString picture(const QString &dir, const QString &name, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    const QString path = dir + QLatin1Char('/') + name;
    return image.save(path, "PNG") ? path : QString();
}

class Client
{
public:
    Client()
    {
        m_socket.connectToServer(CheckWidget::SERVER_NAME);
        m_connected = m_socket.waitForConnected(2000);
    }
    bool connected() const { return m_connected; }
    bool send(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        return m_socket.waitForBytesWritten(2000);
    }
    QLocalSocket &socket() { return m_socket; }

private:
    QLocalSocket m_socket;
    bool m_connected = false;
};

} // namespace

class TestCheckWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void messages_data();
    void messages();
    void newestConnectionWins();
    void pathInPieces();
    void endlessMessageCutOff();
    void staleSocketTakenOver();
    void saleOnEmulatorShowsReceipt();

private:
    QTemporaryDir m_socketDir; // TMPDIR: the socket name is ours alone
    QTemporaryDir m_files;
    QString m_good;
};

void TestCheckWidget::initTestCase()
{
    qputenv("TMPDIR", m_socketDir.path().toUtf8());
    m_good = picture(m_files.path(), "good.png", 200, 400);
    QVERIFY(!m_good.isEmpty());
}

// Fault: a message is read past its zero byte or untrimmed; a picture is not brought to the
// page's width; something that is not a picture is shown, or reading it stalls the page so
// that the next picture never comes.
void TestCheckWidget::messages_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QSize>("shown"); // invalid: refused

    const QString dir = m_files.path();
    const QByteArray good = m_good.toUtf8();
    QTest::newRow("zero-terminated") << good + '\0' << QSize(600, 1200);
    QTest::newRow("trailing newlines") << good + "\n\n" << QSize(600, 1200);
    QTest::newRow("blanks around") << "  " + good + " \r\n" << QSize(600, 1200);
    QTest::newRow("junk after the zero")
        << good + QByteArray("\0/etc/passwd", 12) << QSize(600, 1200);
    QTest::newRow("narrow scaled up")
        << picture(dir, "narrow.png", 300, 100).toUtf8() + '\0' << QSize(600, 200);
    QTest::newRow("wide scaled down")
        << picture(dir, "wide.png", 1200, 300).toUtf8() + '\0' << QSize(600, 150);
    QTest::newRow("missing path") << (dir + "/none.png").toUtf8() + '\0' << QSize();
    QTest::newRow("missing path, line end") << (dir + "/none.png\n").toUtf8() << QSize();
    QTest::newRow("empty") << QByteArray("\0\n", 2) << QSize();
    QTest::newRow("directory") << dir.toUtf8() + '\0' << QSize();
    QTest::newRow("device") << QByteArray("/dev/zero\0", 10) << QSize();

    const QString fifo = dir + "/fifo.png";
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    QTest::newRow("fifo") << fifo.toUtf8() + '\0' << QSize();

    // A real picture at its head: only its size may refuse it.
    const QString huge = dir + "/huge.png";
    QFile::copy(m_good, huge);
    QFile hugeFile(huge);
    if (hugeFile.open(QIODevice::ReadWrite))
        hugeFile.resize(qint64(1) << 30); // sparse
    QTest::newRow("1 GiB file") << huge.toUtf8() + '\0' << QSize();

    QFile text(dir + "/text.png");
    if (text.open(QIODevice::WriteOnly))
        text.write("not a picture\n");
    QTest::newRow("text file") << text.fileName().toUtf8() + '\0' << QSize();

    // 9000 x 9000 white pixels in a 10 MB bitmap (sparse): small on disk, 81 megapixels
    // and hundreds of megabytes once decoded and scaled.
    QFile bomb(dir + "/bomb.pbm");
    if (bomb.open(QIODevice::WriteOnly)) {
        bomb.write("P4\n9000 9000\n");
        bomb.resize(bomb.size() + 9000 / 8 * 9000);
    }
    QTest::newRow("picture bomb") << bomb.fileName().toUtf8() + '\0' << QSize();
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
    QVERIFY(c.connected());
    QVERIFY(c.send(message));
    if (shown.isValid()) {
        QVERIFY(received.wait(5000));
        QCOMPARE(w.label()->pixmap(Qt::ReturnByValue).size(), shown);
        QCOMPARE(w.label()->geometry(), QRect(QPoint(0, 0), shown));
        QCOMPARE(refused.count(), 0);
        return;
    }
    QVERIFY(refused.wait(5000));
    QCOMPARE(received.count(), 0);
    // Refused: the page stays as it was and still takes the next picture.
    Client next;
    QVERIFY(next.connected());
    QVERIFY(next.send(m_good.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.count(), 1);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(w.shownPath(), m_good);
}

// Fault: an older connection still reaches the page after a newer one came.
void TestCheckWidget::newestConnectionWins()
{
    CheckWidget w;
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    const QString first = picture(m_files.path(), "first.png", 100, 100);
    const QString second = picture(m_files.path(), "second.png", 100, 300);
    Client a;
    QVERIFY(a.send(first.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
    QCOMPARE(w.shownPath(), first);

    Client b;
    QVERIFY(b.connected());
    QTRY_COMPARE(a.socket().state(), QLocalSocket::UnconnectedState);
    a.socket().write(first.toUtf8() + '\0'); // goes nowhere
    QVERIFY(b.send(second.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
    QCOMPARE(w.shownPath(), second);
    QCOMPARE(w.label()->pixmap(Qt::ReturnByValue).size(), QSize(600, 1800));
    QTest::qWait(100);
    QCOMPARE(received.count(), 2);
}

// Fault: the first piece of a path is taken for the whole.
void TestCheckWidget::pathInPieces()
{
    CheckWidget w;
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    Client c;
    const QByteArray path = m_good.toUtf8();
    QVERIFY(c.send(path.left(path.size() - 6)));
    QTRY_VERIFY(c.socket().bytesToWrite() == 0);
    QTest::qWait(50);
    QVERIFY(c.send(path.mid(path.size() - 6) + '\0'));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.count(), 1);
    QCOMPARE(w.shownPath(), m_good);
}

// Fault: a client that never sends a zero byte grows the page's memory without end.
void TestCheckWidget::endlessMessageCutOff()
{
    CheckWidget w;
    Client c;
    QVERIFY(c.send(QByteArray(3 * CheckWidget::MAX_MESSAGE, 'a')));
    QTRY_COMPARE(c.socket().state(), QLocalSocket::UnconnectedState);
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    Client next;
    QVERIFY(next.send(m_good.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
}

// Fault: the file left by a crashed run keeps the page deaf for good, or a second page
// takes the name from a live one, which then never hears of a receipt again.
void TestCheckWidget::staleSocketTakenOver()
{
    const QString socketPath = m_socketDir.filePath(CheckWidget::SERVER_NAME);
    QFile stale(socketPath);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    CheckWidget w;
    QVERIFY(w.isListening());
    QSignalSpy received(&w, &CheckWidget::checkRecieved);
    CheckWidget second;
    QVERIFY(!second.isListening());
    Client c;
    QVERIFY(c.send(m_good.toUtf8() + '\0'));
    QVERIFY(received.wait(5000));
}

// Fault: the emulator's printed receipt never reaches the page, or the page stays hidden.
void TestCheckWidget::saleOnEmulatorShowsReceipt()
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
    QMap<quint8, QString> results;
    connect(&ctl, &FrCommandsController::assyncAnswer,
        [&results](quint8 tid, QByteArray ba) { results[tid] = QString::fromLatin1(ba.toHex()); });
    connect(&ctl, &FrCommandsController::assyncError,
        [&results](quint8 tid, QByteArray ba) { results[tid] = "e:" + ba.toHex(); });
    QSignalSpy up(&ctl, &FrCommandsController::connectState);
    QVERIFY(ctl.start());
    QVERIFY(up.wait(10000));
    auto must = [&results](quint8 tid) {
        return QTest::qWaitFor([&]() { return results.contains(tid); }, 10000)
            && results.take(tid) == QLatin1String("550000");
    };
    using qt5ext::FixNumber;
    const QByteArray name = QTextCodec::codecForName("CP866")->fromUnicode("Молоко 3,2%");
    QSignalSpy received(page, &CheckWidget::checkRecieved);
    QVERIFY(must(ctl.sendSetModeCommand(1)));
    QVERIFY(must(ctl.sendCheckOpenCommand(1)));
    QVERIFY(must(
        ctl.sendRegPostionCommand(name, FixNumber(100, qint64(8990)), FixNumber(1000, qint64(2000)),
               0, FixNumber(100, qint64(0)), 1, 3, 1, QByteArray(), false)
            .tid));
    QVERIFY(must(ctl.sendCheckCloseCommand(FixNumber(100, qint64(20000)), 1)));
    // The shift opened with the receipt: its report comes first, then the receipt.
    QTRY_VERIFY_WITH_TIMEOUT(page->shownPath().endsWith(QLatin1String("-receipt.png")), 10000);
    ctl.stop();

    QVERIFY(page->shownPath().startsWith(QDir(receipts.path()).absolutePath()));
    QCOMPARE(tabs->currentIndex(), 5);
    QVERIFY(window.findChild<QToolButton *>(QStringLiteral("tbCheck"))->isChecked());
    const QImage shown = page->label()->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(shown.width(), 600);
    QVERIFY(shown.height() > 600);
    int ink = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            ink += qGray(shown.pixel(x, y)) < 100 && qAlpha(shown.pixel(x, y)) > 200;
    }
    QVERIFY2(ink > 2000, qPrintable(QString::number(ink)));
}

QTEST_MAIN(TestCheckWidget)
#include "tst_checkwidget.moc"
