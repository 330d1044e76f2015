#ifndef QTSINGLEAPPLICATION_H
#define QTSINGLEAPPLICATION_H

#include <QApplication>
#include <QScopedPointer>

class QLocalServer;
class QLockFile;

// A QApplication that knows whether another instance of the same program is running for
// the same user. The first instance holds a lock file (released by the system if the
// process dies) and listens on a local socket for messages from later instances.
class QtSingleApplication : public QApplication
{
    Q_OBJECT
public:
    QtSingleApplication(int &argc, char **argv, bool GUIenabled = true);
    QtSingleApplication(const QString &id, int &argc, char **argv);
    ~QtSingleApplication() override;

    bool isRunning();
    QString id() const { return m_id; }
    // Delivers message to the running instance; false when there is none or it did not read.
    bool sendMessage(const QString &message, int timeout = 5000);

    // The id used when none is given: the executable's name and the user.
    static QString defaultId();
    // Where the lock file of an id lives.
    static QString lockFilePath(const QString &id);

signals:
    void messageReceived(const QString &message);

private:
    void init();
    void receiveConnection();

    QString m_id;
    QScopedPointer<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    bool m_primary = false;
};

#endif // QTSINGLEAPPLICATION_H
