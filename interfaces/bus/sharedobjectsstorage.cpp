#include "sharedobjectsstorage.h"

#include <QHash>
#include <QReadWriteLock>

namespace bus {

namespace {

struct Store
{
    QReadWriteLock lock;
    QHash<QString, AppBusObject> objects;
};

Store &store()
{
    static Store s;
    return s;
}

} // namespace

void SharedObjectsStorage::store(const AppBusObject &object)
{
    if (!object.isValid() || object.isError())
        return;
    Store &s = bus::store();
    QWriteLocker locker(&s.lock);
    AppBusObject copy = object;
    copy.setKind(AppBusObject::Object);
    copy.setRequestId(0);
    s.objects.insert(object.name(), copy);
}

bool SharedObjectsStorage::get(const QString &name, AppBusObject &object)
{
    Store &s = bus::store();
    QReadLocker locker(&s.lock);
    const auto it = s.objects.constFind(name);
    if (it == s.objects.constEnd())
        return false;
    object = it.value();
    return true;
}

bool SharedObjectsStorage::contains(const QString &name)
{
    Store &s = bus::store();
    QReadLocker locker(&s.lock);
    return s.objects.contains(name);
}

void SharedObjectsStorage::remove(const QString &name)
{
    Store &s = bus::store();
    QWriteLocker locker(&s.lock);
    s.objects.remove(name);
}

QStringList SharedObjectsStorage::names()
{
    Store &s = bus::store();
    QReadLocker locker(&s.lock);
    return s.objects.keys();
}

void SharedObjectsStorage::clear()
{
    Store &s = bus::store();
    QWriteLocker locker(&s.lock);
    s.objects.clear();
}

} // namespace bus
