#ifndef COM0COMCONTROLLER_H
#define COM0COMCONTROLLER_H

#include <QByteArray>
#include <QMap>
#include <QPair>
#include <QScopedPointer>
#include <QStringList>

#include "com0comentrypoints.h"

class QLibrary;

// The null-modem setup library, loaded at run time from "com0com" beside the program: lists
// the busy port names and the installed port pairs, installs a pair and removes them.
class Com0ComController
{
public:
    // Pair number -> (port of side A, port of side B).
    using PairMap = QMap<int, QPair<QString, QString>>;

    explicit Com0ComController(const QString &libraryPath = defaultLibraryPath());
    ~Com0ComController();

    Com0ComController(const Com0ComController &) = delete;
    Com0ComController &operator=(const Com0ComController &) = delete;

    // Loaded, with all five entry points.
    bool isUsable() const;
    QString errorString() const { return m_error; }

    QStringList getBysyPorts() const;
    PairMap getPairs() const;
    // True when a pair exists already or one was installed.
    bool installPair() const;
    void removePairs() const;

    static QString defaultLibraryPath();
    static QString infPath();

    static const int BUSY_BUFFER_SIZE = 4096;
    static const int LIST_BUFFER_SIZE = 1024;

    static QStringList parseBusyNames(const QByteArray &buffer);
    static PairMap parsePairs(const QByteArray &buffer);
    // Side A among COM1..COM14, side B among COM6..COM19, never both on one name. False when
    // a side finds no free name.
    static bool choosePorts(const QStringList &busy, QString *sideA, QString *sideB);

private:
    QScopedPointer<QLibrary> m_library;
    QString m_error;
    Com0ComShowBusyNames m_showBusyNames = nullptr;
    Com0ComListPreparedDevices m_listPreparedDevices = nullptr;
    Com0ComInstallPorts m_installPorts = nullptr;
    Com0ComRemove m_remove = nullptr;
    Com0ComInstallDriver m_installDriver = nullptr;
};

#endif // COM0COMCONTROLLER_H
