#ifndef ABSTRACTWORKERCONTROLLER_H
#define ABSTRACTWORKERCONTROLLER_H

#include <QList>
#include <QObject>
#include <QPointer>

class QThread;

namespace qt5ext {

class AbstractWorker;

// Owns workers, one thread each. start() runs doStart(), which creates the workers and
// hands them to addWorkerToThread(); every worker's doStart() then runs in its thread.
// stop() runs each worker's doStop() in its thread, joins the threads and deletes the
// workers. Both may be called any number of times, in any order.
class AbstractWorkerController : public QObject
{
    Q_OBJECT
public:
    explicit AbstractWorkerController(QObject *parent = nullptr);
    ~AbstractWorkerController() override;

    bool start();
    void stop();
    bool isStarted() const { return !m_entries.isEmpty(); }

protected:
    virtual bool doStart();
    virtual void doStop();

    // Moves the worker (which must have no parent) into a new thread and returns the thread,
    // not yet started; start() starts it if doStart() did not.
    QThread *addWorkerToThread(AbstractWorker *worker);
    void doKillThreads();
    QList<AbstractWorker *> workers() const;

private:
    struct Entry
    {
        QPointer<AbstractWorker> worker;
        QThread *thread;
    };
    QList<Entry> m_entries;
};

} // namespace qt5ext

#endif // ABSTRACTWORKERCONTROLLER_H
