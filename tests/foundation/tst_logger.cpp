#include "loggermanager.h"
#include "logstream.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using qt5ext::logbinary;
using qt5ext::LoggerManager;
using qt5ext::loglist;
using qt5ext::logvariant;

namespace {
// Time stamp, level letter, thread, message.
const QRegularExpression LINE(QStringLiteral(
    "^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}) ([DIWCF]) [0-9a-f]+ (.*)$"));

QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Sends what this process writes to standard error into a file while it lives.
class StderrCapture
{
public:
    explicit StderrCapture(const QString &path)
    {
        fflush(stderr);
        m_saved = ::dup(2);
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrCapture() { restore(); }
    void restore()
    {
        if (m_saved < 0)
            return;
        fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }

private:
    int m_saved = -1;
};
} // namespace

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void levels_data();
    void levels();
    void rotation_data();
    void rotation();
    void stderrFallback_data();
    void stderrFallback();
    void threads();

    void streamHelpers_data();
    void streamHelpers();
    void restartAppends();

private:
    QString logDir() const { return m_dir->path() + QStringLiteral("/logs"); }
    QString logFile(int index = 0) const;
    QScopedPointer<QTemporaryDir> m_dir;
};

QString TestLogger::logFile(int index) const
{
    const QString base = logDir() + QLatin1Char('/') + QCoreApplication::applicationName();
    return index == 0 ? base + QStringLiteral(".log")
                      : base + QLatin1Char('.') + QString::number(index) + QStringLiteral(".log");
}

void TestLogger::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestLogger::cleanup()
{
    LoggerManager::releaseLog();
    LoggerManager::setDebugOuts(LoggerManager::FileOutput);
    LoggerManager::setMaxFileSize(4 * 1024 * 1024);
}

void TestLogger::levels_data()
{
    QTest::addColumn<int>("minLevel");
    QTest::addColumn<QString>("expected"); // level letters that reach the file

    QTest::newRow("debug") << int(QtDebugMsg) << "DIWC";
    QTest::newRow("warning") << int(QtWarningMsg) << "WC";
    QTest::newRow("critical") << int(QtCriticalMsg) << "C";
}

void TestLogger::levels()
{
    QFETCH(int, minLevel);
    QFETCH(QString, expected);

    const QDateTime before = QDateTime::currentDateTime().addMSecs(-2);
    QVERIFY(LoggerManager::initLog(logDir(), 10, QtMsgType(minLevel)));
    QCOMPARE(LoggerManager::currentFile(), logFile());
    const QString text = QStringLiteral("SEND_COMMAND ID= 12 Кириллица");
    qDebug().noquote() << text;
    qInfo().noquote() << text;
    qWarning().noquote() << text;
    qCritical().noquote() << text;
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
    LoggerManager::releaseLog();

    QString letters;
    for (const QString &line : readLines(logFile())) {
        const QRegularExpressionMatch m = LINE.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        letters += m.captured(2);
        QCOMPARE(m.captured(3), text);
        const QDateTime stamp
            = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(m.captured(1)));
    }
    QCOMPARE(letters, expected);
}

void TestLogger::rotation_data()
{
    QTest::addColumn<int>("keep");
    QTest::addColumn<int>("lines");

    QTest::newRow("keep 3") << 3 << 120;
    QTest::newRow("keep 1") << 1 << 60;
}

void TestLogger::rotation()
{
    QFETCH(int, keep);
    QFETCH(int, lines);

    const qint64 maxSize = 512;
    LoggerManager::setMaxFileSize(maxSize);
    QVERIFY(LoggerManager::initLog(logDir(), keep, QtDebugMsg));
    for (int i = 0; i < lines; ++i)
        qDebug("ROTATE %04d payload-payload-payload", i);
    LoggerManager::releaseLog();

    // Exactly the newest files survive: name.log, name.1.log ... name.<keep-1>.log.
    QCOMPARE(QDir(logDir()).entryList(QDir::Files).size(), keep);
    // Oldest file first: the numbers must run on without a gap and end with the last line.
    QList<int> seen;
    const QRegularExpression re(QStringLiteral(" ROTATE (\\d{4}) payload"));
    for (int i = keep - 1; i >= 0; --i) {
        QVERIFY2(QFileInfo(logFile(i)).size() <= maxSize, qPrintable(logFile(i)));
        const QStringList content = readLines(logFile(i));
        QVERIFY(!content.isEmpty());
        for (const QString &line : content)
            seen.append(re.match(line).captured(1).toInt());
    }
    QCOMPARE(seen.last(), lines - 1);
    for (int i = 1; i < seen.size(); ++i)
        QCOMPARE(seen.at(i), seen.at(i - 1) + 1);
    // Older lines were rotated away.
    QVERIFY(seen.first() > 0);
}

void TestLogger::stderrFallback_data()
{
    QTest::addColumn<bool>("broken");
    QTest::addColumn<int>("outputs");

    QTest::newRow("folder below a file") << true << int(LoggerManager::FileOutput);
    QTest::newRow("mirror to stderr")
        << false << int(LoggerManager::FileOutput | LoggerManager::StderrOutput);
}

void TestLogger::stderrFallback()
{
    QFETCH(bool, broken);
    QFETCH(int, outputs);

    QString path = logDir();
    if (broken) {
        // No folder can be made below a regular file, whoever we run as.
        QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        path = blocker.fileName() + QStringLiteral("/logs");
    }

    const QString errFile = m_dir->filePath(QStringLiteral("stderr.txt"));
    StderrCapture capture(errFile);
    LoggerManager::setDebugOuts(outputs);
    const bool ok = LoggerManager::initLog(path, 10, QtDebugMsg);
    qDebug("FALLBACK_LINE %d", 42);
    const QString current = LoggerManager::currentFile();
    LoggerManager::releaseLog();
    capture.restore();

    QCOMPARE(ok, !broken);
    QCOMPARE(current.isEmpty(), broken);
    const QStringList err = readLines(errFile);
    const QStringList hits = err.filter(QStringLiteral("FALLBACK_LINE 42"));
    QCOMPARE(hits.size(), 1);
    QVERIFY2(LINE.match(hits.first()).hasMatch(), qPrintable(hits.first()));
    if (broken) {
        QVERIFY(!err.filter(QStringLiteral("LOGGER cannot write to")).isEmpty());
        QVERIFY(!QFileInfo::exists(path));
    } else {
        QCOMPARE(readLines(logFile()).filter(QStringLiteral("FALLBACK_LINE 42")).size(), 1);
    }
}

void TestLogger::threads()
{
    const int threadCount = 4;
    const int perThread = 400;
    QVERIFY(LoggerManager::initLog(logDir(), 10, QtDebugMsg));
    QList<QThread *> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.append(QThread::create([t] {
            const QByteArray pad(60, char('a' + t));
            for (int i = 0; i < perThread; ++i)
                qDebug("THREAD %d LINE %04d %s END", t, i, pad.constData());
        }));
        threads.last()->start();
    }
    for (QThread *th : qAsConst(threads)) {
        QVERIFY(th->wait(60000));
        delete th;
    }
    LoggerManager::releaseLog();

    const QStringList lines = readLines(logFile());
    QCOMPARE(lines.size(), threadCount * perThread);
    const QRegularExpression re(
        QStringLiteral("^\\S+ D [0-9a-f]+ THREAD (\\d) LINE (\\d{4}) ([a-z])\\3{59} END$"));
    QVector<int> next(threadCount, 0);
    for (const QString &line : lines) {
        // Each thread's lines arrive whole and in its own order.
        const QRegularExpressionMatch m = re.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        const int t = m.captured(1).toInt();
        QCOMPARE(m.captured(3).at(0).unicode(), ushort('a' + t));
        QCOMPARE(m.captured(2).toInt(), next[t]++);
    }
}

void TestLogger::streamHelpers_data()
{
    QTest::addColumn<int>("helper"); // 0 logbinary, 1 loglist, 2 logvariant
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QString>("expected");

    // Bytes print as lower-case hex pairs, one blank apart.
    QTest::newRow("binary frame") << 0 << QVariant(QByteArray::fromHex("fe0c00a5"))
                                  << "fe 0c 00 a5";
    QTest::newRow("binary empty") << 0 << QVariant(QByteArray()) << "";
    QTest::newRow("mixed list") << 1 << QVariant(QVariantList { 5, QByteArray("\x01\xff", 2), "x" })
                                << "[5, 01 ff, x]";
    QTest::newRow("nested list") << 1 << QVariant(QVariantList { QVariantList { 1, 2 }, 3 })
                                 << "[[1, 2], 3]";
    QTest::newRow("variant bytes") << 2 << QVariant(QByteArray::fromHex("0102")) << "01 02";
    QTest::newRow("variant map") << 2
                                 << QVariant(QVariantMap { { "model", 67 }, { "name", "ORVA" } })
                                 << "{\"model\":67,\"name\":\"ORVA\"}";
    QTest::newRow("variant invalid") << 2 << QVariant() << "<invalid>";
}

void TestLogger::streamHelpers()
{
    QFETCH(int, helper);
    QFETCH(QVariant, input);
    QFETCH(QString, expected);

    QString out;
    {
        QDebug dbg(&out);
        if (helper == 0)
            dbg << logbinary(input.toByteArray());
        else if (helper == 1)
            dbg << loglist(input.toList());
        else
            dbg << logvariant(input);
    }
    QCOMPARE(out.trimmed(), expected);
}

void TestLogger::restartAppends()
{
    QVERIFY(LoggerManager::initLog(logDir(), 10, QtDebugMsg));
    qDebug("first start");
    LoggerManager::releaseLog();
    qDebug("not ours any more");
    QVERIFY(LoggerManager::initLog(logDir(), 10, QtDebugMsg));
    qDebug() << "SEND_COMMAND ID=" << 7 << logbinary(QByteArray::fromHex("02000491"))
             << loglist(QStringList { "a", "b" });
    LoggerManager::releaseLog();

    const QStringList lines = readLines(logFile());
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).endsWith(QStringLiteral(" first start")), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1).endsWith(QStringLiteral(" SEND_COMMAND ID= 7 02 00 04 91 [a, b]")),
        qPrintable(lines.at(1)));
}

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"
