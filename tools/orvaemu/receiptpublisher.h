#ifndef RECEIPTPUBLISHER_H
#define RECEIPTPUBLISHER_H

#include "registerstate.h"

#include <QJsonObject>
#include <QObject>
#include <QQueue>

class QLocalSocket;

// What a driver does with each printed document: renders it as a PNG in a folder and tells
// the configurator the file's path over the local socket "receiptFile". Nobody listening is
// no error; the picture stays in the folder.
class ReceiptPublisher : public QObject
{
    Q_OBJECT
public:
    static const QString SERVER_NAME;

    explicit ReceiptPublisher(const QString &folder, QObject *parent = nullptr);

    bool prepare(QString *error);
    // The picture's path, empty when it could not be written.
    QString publish(const QJsonObject &document, const RegisterState &state);

signals:
    void pathSent(const QString &path);

private:
    void sendNext();

    QString m_folder;
    QQueue<QString> m_queue;
    QLocalSocket *m_socket = nullptr;
    int m_counter = 0;
};

#endif // RECEIPTPUBLISHER_H
