#include "qtsingleapplication.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
QString userKey()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

QString serverName(const QString &id)
{
    return QStringLiteral("qtsingleapp-")
        + QString::fromLatin1(
            QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}
} // namespace

QtSingleApplication::QtSingleApplication(int &argc, char **argv, bool GUIenabled)
    : QApplication(argc, argv, GUIenabled), m_id(defaultId())
{
    init();
}

QtSingleApplication::QtSingleApplication(const QString &id, int &argc, char **argv)
    : QApplication(argc, argv), m_id(id)
{
    init();
}

QtSingleApplication::~QtSingleApplication()
{
    if (m_server)
        m_server->close();
    if (m_lock)
        m_lock->unlock();
}

QString QtSingleApplication::defaultId()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QLatin1Char('-')
        + userKey();
}

QString QtSingleApplication::lockFilePath(const QString &id)
{
    return QDir::tempPath() + QLatin1Char('/') + serverName(id) + QStringLiteral(".lock");
}

void QtSingleApplication::init()
{
    m_lock.reset(new QLockFile(lockFilePath(m_id)));
    // Only a dead owner makes the lock stale, never its age.
    m_lock->setStaleLockTime(0);
    m_primary = m_lock->tryLock(0);
    if (!m_primary)
        return;
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(serverName(m_id));
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(serverName(m_id)))
        connect(
            m_server, &QLocalServer::newConnection, this, &QtSingleApplication::receiveConnection);
}

bool QtSingleApplication::isRunning()
{
    if (!m_primary) {
        // The other instance may have ended since we looked.
        m_primary = m_lock->tryLock(0);
        if (m_primary && !m_server) {
            m_server = new QLocalServer(this);
            QLocalServer::removeServer(serverName(m_id));
            m_server->setSocketOptions(QLocalServer::UserAccessOption);
            if (m_server->listen(serverName(m_id)))
                connect(m_server, &QLocalServer::newConnection, this,
                    &QtSingleApplication::receiveConnection);
        }
    }
    return !m_primary;
}

bool QtSingleApplication::sendMessage(const QString &message, int timeout)
{
    if (!isRunning())
        return false;
    QLocalSocket socket;
    socket.connectToServer(serverName(m_id));
    if (!socket.waitForConnected(timeout))
        return false;
    const QByteArray data = message.toUtf8();
    socket.write(data);
    if (!socket.waitForBytesWritten(timeout))
        return false;
    socket.disconnectFromServer();
    return true;
}

void QtSingleApplication::receiveConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readChannelFinished, this,
            [this, socket] { emit messageReceived(QString::fromUtf8(socket->readAll())); });
    }
}
