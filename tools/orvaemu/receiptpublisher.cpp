#include "receiptpublisher.h"

#include "receiptlayout.h"
#include "receiptpainter.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QRunnable>
#include <QSaveFile>

const QString ReceiptPublisher::SERVER_NAME = QStringLiteral("receiptFile");

ReceiptPublisher::ReceiptPublisher(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(QDir(folder).absolutePath())
{
    // One picture at a time, so that they are announced in the order they were printed.
    m_painter.setMaxThreadCount(1);
}

bool ReceiptPublisher::prepare(QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        *error = QStringLiteral("cannot create %1").arg(m_folder);
        return false;
    }
    return true;
}

ReceiptPublisher::~ReceiptPublisher()
{
    m_painter.waitForDone();
}

QString ReceiptPublisher::publish(const QJsonObject &document, const RegisterState &state)
{
    const QVector<ReceiptLayout::Line> lines = ReceiptLayout::lines(document, state);
    const QString name
        = QStringLiteral("%1-%2-%3.png")
              .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
              .arg(++m_counter, 4, 10, QLatin1Char('0'))
              .arg(document.value(QStringLiteral("type")).toString());
    const QString path = m_folder + QLatin1Char('/') + name;
    // Drawing and compressing take tens of milliseconds: not in the register's thread,
    // which owes the link its answer.
    m_painter.start(QRunnable::create([this, lines, path]() {
        QSaveFile file(path);
        // Written whole before anyone hears of it.
        const bool ok = file.open(QIODevice::WriteOnly)
            && ReceiptPainter::paint(lines).save(&file, "PNG") && file.commit();
        if (!ok)
            qWarning().noquote() << "cannot write the receipt picture" << path
                                 << file.errorString();
        QMetaObject::invokeMethod(
            this, [this, path, ok]() { p_written(path, ok); }, Qt::QueuedConnection);
    }));
    return path;
}

void ReceiptPublisher::p_written(const QString &path, bool ok)
{
    if (!ok)
        return;
    emit written(path);
    m_queue.enqueue(path);
    if (!m_socket)
        sendNext();
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
        retire(path);
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
            retire(path);
            m_socket->deleteLater();
            m_socket = nullptr;
            sendNext();
        });
    m_socket->connectToServer(SERVER_NAME);
}

// A picture goes only once it has been announced, so a listener never hears of a file that
// is already gone.
void ReceiptPublisher::retire(const QString &path)
{
    m_kept.enqueue(path);
    while (m_kept.size() > m_keep)
        QFile::remove(m_kept.dequeue());
}
