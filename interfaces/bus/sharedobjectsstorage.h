#ifndef SHAREDOBJECTSSTORAGE_H
#define SHAREDOBJECTSSTORAGE_H

#include "appbusobject.h"

#include <QStringList>

namespace bus {

// The process-wide store of the objects fetched from the bus, by name. Any thread may store
// and read; a reader gets a copy.
class SharedObjectsStorage
{
public:
    // Replaces an object of the same name.
    static void store(const AppBusObject &object);
    // True and the object when one of that name is stored.
    static bool get(const QString &name, AppBusObject &object);
    static bool contains(const QString &name);
    static void remove(const QString &name);
    static QStringList names();
    static void clear();

private:
    SharedObjectsStorage() = delete;
};

} // namespace bus

#endif // SHAREDOBJECTSSTORAGE_H
