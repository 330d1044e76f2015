#include "abstractworker.h"
#include "abstractworkercontroller.h"

#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QtTest>

#include <memory>

using qt5ext::AbstractWorker;
using qt5ext::AbstractWorkerController;

namespace {

// What happened to the workers, in order, each event marked with the thread it happened in:
// W the worker's own thread, M the test's.
struct Journal
{
    QMutex mutex;
    QStringList events;
    QThread *workerThread = nullptr;

    void add(const char *what)
    {
        QMutexLocker lock(&mutex);
        const QThread *t = QThread::currentThread();
        events << QLatin1String(what)
                + (t == workerThread          ? " W"
                        : t == qApp->thread() ? " M"
                                              : " ?");
    }
    QString since(int from)
    {
        QMutexLocker lock(&mutex);
        return events.mid(from).join(QStringLiteral(", "));
    }
};

class ProbeWorker : public AbstractWorker
{
public:
    explicit ProbeWorker(Journal *journal) : m_journal(journal) { }
    ~ProbeWorker() override { m_journal->add("destroyed"); }
    bool doStart() override { return m_journal->add("start"), true; }
    bool doStop() override { return m_journal->add("stop"), true; }

private:
    Journal *m_journal;
};

class ProbeController : public AbstractWorkerController
{
public:
    explicit ProbeController(Journal *j) : m_journal(j) { }
    QPointer<ProbeWorker> worker;
    using AbstractWorkerController::workers;

protected:
    bool doStart() override
    {
        worker = new ProbeWorker(m_journal);
        Journal *j = m_journal;
        j->workerThread = addWorkerToThread(worker);
        // Emitted by the ending thread itself, after its event loop has stopped.
        connect(
            j->workerThread, &QThread::finished, j->workerThread, [j] { j->add("finished"); },
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
};

void TestWorker::sequence_data()
{
    // "action: events it brings"; "start!" does not wait for the worker to start, "destroy"
    // deletes the controller without stopping it. A worker starts and stops in its own
    // thread, before that thread ends, and is deleted there once the thread was joined.
    QTest::addColumn<QStringList>("steps");
    const QString start = QStringLiteral("start: start W");
    const QString stop = QStringLiteral("stop: stop W, finished W, destroyed W");
    QTest::newRow("stop twice, start again")
        << QStringList { start, stop, QStringLiteral("stop:"), start, stop };
    QTest::newRow("stop before any start") << QStringList { QStringLiteral("stop:"), start, stop };
    QTest::newRow("stop at once") << QStringList { "start!",
        "stop: start W, stop W, finished W, destroyed W" };
    QTest::newRow("restart slot") << QStringList { start, "restart: start W", stop };
    QTest::newRow("destroyed while started")
        << QStringList { start, "destroy: stop W, finished W, destroyed W" };
}

void TestWorker::sequence()
{
    QFETCH(QStringList, steps);

    Journal journal;
    auto c = std::make_unique<ProbeController>(&journal);
    int seen = 0;
    for (const QString &step : qAsConst(steps)) {
        const QString action = step.section(QLatin1Char(':'), 0, 0);
        if (action.startsWith(QLatin1String("start"))) {
            QVERIFY(c->start());
            QVERIFY(c->isStarted());
            QCOMPARE(c->workers().size(), 1);
        } else if (action == QLatin1String("restart")) {
            QVERIFY(QMetaObject::invokeMethod(c->worker, "restart", Qt::QueuedConnection));
        } else if (action == QLatin1String("destroy")) {
            c.reset();
        } else {
            c->stop();
            QVERIFY(!c->isStarted());
            QVERIFY(c->workers().isEmpty());
            QVERIFY(c->worker.isNull());
        }
        if (action == QLatin1String("start!"))
            continue;
        const QString expected = step.section(QLatin1Char(':'), 1).trimmed();
        QTRY_COMPARE_WITH_TIMEOUT(journal.since(seen), expected, 10000);
        seen = journal.events.size();
    }
}

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
