#include "abstractworker.h"
#include "abstractworkercontroller.h"

#include <QPointer>
#include <QThread>
#include <QtTest>

#include <atomic>

using qt5ext::AbstractWorker;
using qt5ext::AbstractWorkerController;

namespace {

// What the workers saw, written from their threads.
struct Journal
{
    std::atomic<int> clock { 0 };
    std::atomic<int> starts { 0 };
    std::atomic<int> stops { 0 };
    std::atomic<int> destroyed { 0 };
    std::atomic<int> lastStartAt { -1 };
    std::atomic<int> lastStopAt { -1 };
    std::atomic<int> lastFinishedAt { -1 };
    std::atomic<QThread *> startThread { nullptr };
    std::atomic<QThread *> stopThread { nullptr };
    std::atomic<QThread *> destroyThread { nullptr };
    std::atomic<bool> stopSawRunningThread { false };
};

class ProbeWorker : public AbstractWorker
{
public:
    explicit ProbeWorker(Journal *journal) : m_journal(journal) { }
    ~ProbeWorker() override
    {
        m_journal->destroyThread = QThread::currentThread();
        ++m_journal->destroyed;
    }

    bool doStart() override
    {
        m_journal->startThread = QThread::currentThread();
        m_journal->lastStartAt = m_journal->clock++;
        ++m_journal->starts;
        return true;
    }
    bool doStop() override
    {
        m_journal->stopThread = QThread::currentThread();
        m_journal->stopSawRunningThread = QThread::currentThread()->isRunning();
        m_journal->lastStopAt = m_journal->clock++;
        ++m_journal->stops;
        return true;
    }

private:
    Journal *m_journal;
};

class ProbeController : public AbstractWorkerController
{
public:
    explicit ProbeController(Journal *j) : m_journal(j) { }

    QPointer<ProbeWorker> worker;
    QThread *thread = nullptr;

    using AbstractWorkerController::workers;

protected:
    bool doStart() override
    {
        worker = new ProbeWorker(m_journal);
        thread = addWorkerToThread(worker);
        Journal *j = m_journal;
        // Emitted by the ending thread itself, after its event loop has stopped.
        connect(
            thread, &QThread::finished, thread, [j] { j->lastFinishedAt = j->clock++; },
            Qt::DirectConnection);
        return true;
    }

private:
    Journal *m_journal;
};

} // namespace

class TestWorker : public QObject
{
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void restartSlot();
    void destroyWhileStarted();
};

void TestWorker::sequence_data()
{
    QTest::addColumn<QStringList>("steps"); // "start!" does not wait for the worker to start

    QTest::newRow("stop twice, start again")
        << QStringList { "start", "stop", "stop", "start", "stop" };
    QTest::newRow("stop before any start") << QStringList { "stop", "start", "stop" };
    QTest::newRow("stop at once") << QStringList { "start!", "stop" };
}

void TestWorker::sequence()
{
    QFETCH(QStringList, steps);

    Journal journal;
    ProbeController c(&journal);
    int started = 0;
    int stopped = 0;
    for (const QString &step : qAsConst(steps)) {
        if (step.startsWith(QLatin1String("start"))) {
            QVERIFY(c.start());
            ++started;
            QVERIFY(c.isStarted());
            QCOMPARE(c.workers().size(), 1);
            if (step == QLatin1String("start"))
                QTRY_COMPARE_WITH_TIMEOUT(journal.starts.load(), started, 10000);
            continue;
        }
        QThread *workerThread = c.thread;
        const bool running = c.isStarted();
        c.stop();
        if (running) {
            ++stopped;
            // Started and stopped in its own thread, before that thread ended...
            QVERIFY(workerThread != QThread::currentThread());
            QCOMPARE(journal.startThread.load(), workerThread);
            QCOMPARE(journal.stopThread.load(), workerThread);
            QVERIFY(journal.stopSawRunningThread);
            QVERIFY(journal.lastStopAt > journal.lastStartAt);
            QVERIFY(journal.lastFinishedAt > journal.lastStopAt);
            // ...and deleted there once the thread was joined.
            QVERIFY(c.worker.isNull());
            QCOMPARE(journal.destroyThread.load(), workerThread);
        }
        QVERIFY(!c.isStarted());
        QVERIFY(c.workers().isEmpty());
        QCOMPARE(journal.stops.load(), stopped);
        QCOMPARE(journal.destroyed.load(), stopped);
    }
    QCOMPARE(journal.starts.load(), started);
}

void TestWorker::restartSlot()
{
    Journal journal;
    ProbeController c(&journal);
    QVERIFY(c.start());
    QTRY_COMPARE_WITH_TIMEOUT(journal.starts.load(), 1, 10000);
    journal.startThread = nullptr;
    QVERIFY(QMetaObject::invokeMethod(c.worker, "restart", Qt::QueuedConnection));
    QTRY_COMPARE_WITH_TIMEOUT(journal.starts.load(), 2, 10000);
    QCOMPARE(journal.startThread.load(), c.thread);
    c.stop();
    QCOMPARE(journal.stops.load(), 1);
}

void TestWorker::destroyWhileStarted()
{
    Journal journal;
    QThread *workerThread = nullptr;
    {
        ProbeController c(&journal);
        QVERIFY(c.start());
        QTRY_COMPARE_WITH_TIMEOUT(journal.starts.load(), 1, 10000);
        workerThread = c.thread;
    }
    // Going away without stop() still stops the worker in its thread and frees it.
    QCOMPARE(journal.stops.load(), 1);
    QCOMPARE(journal.stopThread.load(), workerThread);
    QVERIFY(journal.lastFinishedAt > journal.lastStopAt);
    QCOMPARE(journal.destroyed.load(), 1);
}

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
