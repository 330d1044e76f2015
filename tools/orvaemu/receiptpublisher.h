#ifndef RECEIPTPUBLISHER_H
#define RECEIPTPUBLISHER_H

#include "registerstate.h"

#include <QJsonObject>
#include <QObject>
#include <QQueue>
#include <QThreadPool>

class QLocalSocket;

// What a driver does with each printed document: renders it as a PNG in a folder and tells
// the configurator the file's path over the local socket "receiptFile". Nobody listening is
// no error; the picture stays in the folder. Only the newest pictures are kept, so an
// emulator left running does not fill the disk.
class ReceiptPublisher : public QObject
{
    Q_OBJECT
public:
    static const QString SERVER_NAME;
    static const int DEFAULT_KEEP = 200;

    explicit ReceiptPublisher(const QString &folder, QObject *parent = nullptr);
    ~ReceiptPublisher() override;

    bool prepare(QString *error);
    // The path the picture will have; it is drawn and written in a thread of its own.
    QString publish(const QJsonObject &document, const RegisterState &state);
    // How many announced pictures stay in the folder; older ones this publisher wrote go.
    void setKeep(int count) { m_keep = qMax(1, count); }

signals:
    void written(const QString &path);
    void pathSent(const QString &path);

private:
    void p_written(const QString &path, bool ok);
    void sendNext();
    void retire(const QString &path);

    QThreadPool m_painter;

    QString m_folder;
    QQueue<QString> m_queue;
    QQueue<QString> m_kept;
    int m_keep = DEFAULT_KEEP;
    QLocalSocket *m_socket = nullptr;
    int m_counter = 0;
};

#endif // RECEIPTPUBLISHER_H
