#ifndef ABSTRACTWORKER_H
#define ABSTRACTWORKER_H

#include <QObject>

namespace qt5ext {

class AbstractWorkerController;

// An object that does its I/O in a thread of its own (see AbstractWorkerController).
class AbstractWorker : public QObject
{
    Q_OBJECT
public:
    explicit AbstractWorker(QObject *parent = nullptr);
    ~AbstractWorker() override;

    // Both run in the worker's thread.
    virtual bool doStart();
    virtual bool doStop();

public slots:
    void restart();

private slots:
    void threadStarted();

private:
    friend class AbstractWorkerController;
};

} // namespace qt5ext

#endif // ABSTRACTWORKER_H
