#include "abstractworker.h"

namespace qt5ext {

AbstractWorker::AbstractWorker(QObject *parent) : QObject(parent) { }

AbstractWorker::~AbstractWorker() = default;

bool AbstractWorker::doStart()
{
    return true;
}

bool AbstractWorker::doStop()
{
    return true;
}

void AbstractWorker::restart()
{
    doStart();
}

void AbstractWorker::threadStarted()
{
    doStart();
}

} // namespace qt5ext
