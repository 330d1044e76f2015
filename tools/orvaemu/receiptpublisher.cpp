#include "receiptpublisher.h"

#include "receiptlayout.h"
#include "receiptpainter.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QLocalSocket>
#include <QSaveFile>

const QString ReceiptPublisher::SERVER_NAME = QStringLiteral("receiptFile");

ReceiptPublisher::ReceiptPublisher(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(QDir(folder).absolutePath())
{ }

bool ReceiptPublisher::prepare(QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        *error = QStringLiteral("cannot create %1").arg(m_folder);
        return false;
    }
    return true;
}

QString ReceiptPublisher::publish(const QJsonObject &document, const RegisterState &state)
{
    const QImage image = ReceiptPainter::paint(ReceiptLayout::lines(document, state));
    const QString name
        = QStringLiteral("%1-%2-%3.png")
              .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
              .arg(++m_counter, 4, 10, QLatin1Char('0'))
              .arg(document.value(QStringLiteral("type")).toString());
    const QString path = m_folder + QLatin1Char('/') + name;
    QSaveFile file(path);
    // Written whole before anyone hears of it.
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        qWarning().noquote() << "cannot write the receipt picture" << path << file.errorString();
        return QString();
    }
    m_queue.enqueue(path);
    if (!m_socket)
        sendNext();
    return path;
}

// One connection per picture, one after the other: the listener keeps the newest.
void ReceiptPublisher::sendNext()
{
    if (m_queue.isEmpty())
        return;
    const QString path = m_queue.dequeue();
    m_socket = new QLocalSocket(this);
    connect(m_socket, &QLocalSocket::connected, m_socket, [this, path]() {
        m_socket->write(path.toUtf8() + '\0');
        m_socket->disconnectFromServer();
    });
    connect(m_socket, &QLocalSocket::disconnected, this, [this, path]() {
        emit pathSent(path);
        m_socket->deleteLater();
        m_socket = nullptr;
        sendNext();
    });
    connect(
        m_socket, &QLocalSocket::errorOccurred, this, [this, path](QLocalSocket::LocalSocketError) {
            if (!m_socket || m_socket->state() != QLocalSocket::UnconnectedState)
                return;
            qDebug().noquote() << "receipt picture" << path
                               << "not announced:" << m_socket->errorString();
            m_socket->deleteLater();
            m_socket = nullptr;
            sendNext();
        });
    m_socket->connectToServer(SERVER_NAME);
}
