#include "loggermanager.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using qt5ext::LoggerManager;

namespace {
// Time stamp, level letter, thread, message.
const QRegularExpression LINE(QStringLiteral(
    "^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}) ([DIWCF]) [0-9a-f]+ (.*)$"));

QStringList readLines(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Runs `f` with this process's standard error going into a file.
void withStderrTo(const QString &path, const std::function<void()> &f)
{
    fflush(stderr);
    const int saved = ::dup(2);
    const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
    f();
    fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
}
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

private:
    QString logDir() const { return m_dir->path() + QStringLiteral("/logs"); }
    QString logFile(int index = 0) const;
    QScopedPointer<QTemporaryDir> m_dir;
};

QString TestLogger::logFile(int index) const
{
    const QString base = logDir() + QLatin1Char('/') + QCoreApplication::applicationName();
    return base + (index ? QStringLiteral(".%1.log").arg(index) : QStringLiteral(".log"));
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
    LoggerManager::releaseLog();
    qCritical("not ours any more");
    // A second start appends.
    QVERIFY(LoggerManager::initLog(logDir(), 10, QtMsgType(minLevel)));
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
    QCOMPARE(letters, expected + QLatin1Char('C'));
}

void TestLogger::rotation_data()
{
    QTest::addColumn<int>("keep");
    QTest::newRow("keep 3") << 3;
    QTest::newRow("keep 1") << 1;
}

void TestLogger::rotation()
{
    QFETCH(int, keep);
    const int threadCount = 4;
    const int perThread = 200;
    const qint64 maxSize = 4096;
    LoggerManager::setMaxFileSize(maxSize);
    QVERIFY(LoggerManager::initLog(logDir(), keep, QtDebugMsg));
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

    // Exactly the newest files survive: name.log, name.1.log ... name.<keep-1>.log. Read
    // oldest first, each thread's lines are whole and run on without a gap to its last one.
    QCOMPARE(QDir(logDir()).entryList(QDir::Files).size(), keep);
    const QRegularExpression re(
        QStringLiteral("^\\S+ D [0-9a-f]+ THREAD (\\d) LINE (\\d{4}) ([a-z])\\3{59} END$"));
    QVector<int> next(threadCount, -1);
    int kept = 0;
    for (int i = keep - 1; i >= 0; --i) {
        QVERIFY2(QFileInfo(logFile(i)).size() <= maxSize, qPrintable(logFile(i)));
        for (const QString &line : readLines(logFile(i))) {
            const QRegularExpressionMatch m = re.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            const int t = m.captured(1).toInt();
            QCOMPARE(m.captured(3).at(0).unicode(), ushort('a' + t));
            const int n = m.captured(2).toInt();
            QVERIFY2(next[t] < 0 || n == next[t], qPrintable(line));
            next[t] = n + 1;
            ++kept;
        }
    }
    QVERIFY(kept > 0 && kept < threadCount * perThread);
    for (const int n : qAsConst(next))
        QVERIFY(n < 0 || n == perThread);
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
    bool ok = false;
    QString current;
    withStderrTo(errFile, [&] {
        LoggerManager::setDebugOuts(outputs);
        ok = LoggerManager::initLog(path, 10, QtDebugMsg);
        qDebug("FALLBACK_LINE %d", 42);
        current = LoggerManager::currentFile();
        LoggerManager::releaseLog();
    });
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

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"
