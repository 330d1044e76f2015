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
    explicit ProbeController(Journal *j) : journal(*j) { }

    Journal &journal;
    QPointer<ProbeWorker> worker;
    QThread *thread = nullptr;

    using AbstractWorkerController::workers;

protected:
    bool doStart() override
    {
        auto *w = new ProbeWorker(&journal);
        worker = w;
        thread = addWorkerToThread(w);
        Journal *j = &journal;
        // Emitted by the ending thread itself, after its event loop has stopped.
        connect(
            thread, &QThread::finished, thread, [j] { j->lastFinishedAt = j->clock++; },
            Qt::DirectConnection);
        return true;
    }
};

} // namespace

class TestWorker : public QObject
{
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void immediateStop();
    void restartSlot();
    void destroyWhileStarted();
};

void TestWorker::sequence_data()
{
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("start stop") << QStringList { "start", "stop" };
    QTest::newRow("stop twice, start again")
        << QStringList { "start", "stop", "stop", "start", "stop" };
    QTest::newRow("stop before any start") << QStringList { "stop", "start", "stop", "stop" };
}

void TestWorker::sequence()
{
    QFETCH(QStringList, steps);

    Journal journal;
    ProbeController c(&journal);
    int started = 0;
    int stopped = 0;
    bool running = false;
    for (const QString &step : qAsConst(steps)) {
        if (step == QLatin1String("start")) {
            QVERIFY(c.start());
            ++started;
            running = true;
            QVERIFY(c.isStarted());
            QCOMPARE(c.workers().size(), 1);
            QTRY_COMPARE_WITH_TIMEOUT(c.journal.starts.load(), started, 10000);
            QThread *t = c.journal.startThread;
            QVERIFY(t != QThread::currentThread());
            QCOMPARE(t, c.thread);
            QVERIFY(c.worker);
            QCOMPARE(c.worker->thread(), c.thread);
        } else {
            QThread *workerThread = c.thread;
            c.stop();
            if (running) {
                ++stopped;
                // The worker stopped in its own thread, before that thread ended.
                QCOMPARE(c.journal.stopThread.load(), workerThread);
                QVERIFY(c.journal.stopSawRunningThread);
                QVERIFY(c.journal.lastStopAt > c.journal.lastStartAt);
                QVERIFY(c.journal.lastFinishedAt > c.journal.lastStopAt);
                // ...and was deleted there once the thread was joined.
                QVERIFY(c.worker.isNull());
                QCOMPARE(c.journal.destroyThread.load(), workerThread);
            }
            running = false;
            QVERIFY(!c.isStarted());
            QVERIFY(c.workers().isEmpty());
            QCOMPARE(c.journal.stops.load(), stopped);
            QCOMPARE(c.journal.destroyed.load(), stopped);
        }
    }
    QCOMPARE(c.journal.starts.load(), started);
}

void TestWorker::immediateStop()
{
    Journal journal;
    ProbeController c(&journal);
    QVERIFY(c.start());
    c.stop();
    // The worker's start still came first, and both ran in its thread.
    QCOMPARE(c.journal.starts.load(), 1);
    QCOMPARE(c.journal.stops.load(), 1);
    QVERIFY(c.journal.lastStartAt < c.journal.lastStopAt);
    QVERIFY(c.journal.startThread.load() != QThread::currentThread());
    QCOMPARE(c.journal.stopThread.load(), c.journal.startThread.load());
    QCOMPARE(c.journal.destroyed.load(), 1);
}

void TestWorker::restartSlot()
{
    Journal journal;
    ProbeController c(&journal);
    QVERIFY(c.start());
    QTRY_COMPARE_WITH_TIMEOUT(c.journal.starts.load(), 1, 10000);
    c.journal.startThread = nullptr;
    QVERIFY(QMetaObject::invokeMethod(c.worker, "restart", Qt::QueuedConnection));
    QTRY_COMPARE_WITH_TIMEOUT(c.journal.starts.load(), 2, 10000);
    QCOMPARE(c.journal.startThread.load(), c.thread);
    c.stop();
    QCOMPARE(c.journal.stops.load(), 1);
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
