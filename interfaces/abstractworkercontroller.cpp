#include "abstractworkercontroller.h"

#include "abstractworker.h"

#include <QDebug>
#include <QThread>

#include <utility>

namespace qt5ext {

AbstractWorkerController::AbstractWorkerController(QObject *parent) : QObject(parent) { }

AbstractWorkerController::~AbstractWorkerController()
{
    doKillThreads();
}

bool AbstractWorkerController::start()
{
    if (!doStart())
        return false;
    for (const Entry &e : qAsConst(m_entries)) {
        if (!e.thread->isRunning() && !e.thread->isFinished())
            e.thread->start();
    }
    return true;
}

void AbstractWorkerController::stop()
{
    doStop();
}

bool AbstractWorkerController::doStart()
{
    return true;
}

void AbstractWorkerController::doStop()
{
    doKillThreads();
}

QThread *AbstractWorkerController::addWorkerToThread(AbstractWorker *worker)
{
    auto *thread = new QThread;
    thread->setObjectName(worker->metaObject()->className());
    worker->moveToThread(thread);
    // started is emitted in the new thread, so doStart runs there.
    connect(thread, &QThread::started, worker, &AbstractWorker::threadStarted);
    // Deferred deletes are flushed as the thread finishes: the worker and the sockets it owns
    // die in the thread that created their notifiers.
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    m_entries.append({ worker, thread });
    return thread;
}

void AbstractWorkerController::doKillThreads()
{
    const QList<Entry> entries = std::exchange(m_entries, {});
    for (const Entry &e : entries) {
        if (e.worker) {
            if (e.thread->isRunning()) {
                AbstractWorker *w = e.worker.data();
                QMetaObject::invokeMethod(
                    w, [w] { w->doStop(); }, Qt::BlockingQueuedConnection);
            } else {
                e.worker->doStop();
            }
        }
        e.thread->quit();
        e.thread->wait();
        // A thread that never ran never emitted finished.
        if (e.worker)
            delete e.worker.data();
        delete e.thread;
    }
}

QList<AbstractWorker *> AbstractWorkerController::workers() const
{
    QList<AbstractWorker *> list;
    for (const Entry &e : m_entries)
        if (e.worker)
            list.append(e.worker.data());
    return list;
}

} // namespace qt5ext
