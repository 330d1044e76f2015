#include "checkwidget.h"

#include "receiptimageloader.h"

#include <QDebug>
#include <QFileInfo>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>

const QString CheckWidget::SERVER_NAME = QStringLiteral("receiptFile");

CheckWidget::CheckWidget(QWidget *parent) : QScrollArea(parent)
{
    resize(181, 300);
    setMinimumSize(100, 0);
    setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setGeometry(1, 1, 177, 296);
    setWidget(m_label);

    qRegisterMetaType<quint64>("quint64");
    m_loader = new ReceiptImageLoader;
    m_loader->moveToThread(&m_loaderThread);
    connect(&m_loaderThread, &QThread::finished, m_loader, &QObject::deleteLater);
    connect(this, &CheckWidget::loadRequested, m_loader, &ReceiptImageLoader::request);
    connect(m_loader, &ReceiptImageLoader::loaded, this, &CheckWidget::p_imageLoaded);
    connect(m_loader, &ReceiptImageLoader::refused, this, &CheckWidget::p_imageRefused);
    m_loaderThread.start();

    listen();
}

CheckWidget::~CheckWidget()
{
    m_loaderThread.quit();
    m_loaderThread.wait();
}

bool CheckWidget::isListening() const
{
    return m_server && m_server->isListening();
}

void CheckWidget::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::WorldAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CheckWidget::newConnection);
    // Listening with world access replaces whatever has the name: a file left by a crashed
    // run, but also a live listener, which would never hear of a receipt again.
    QLocalSocket probe;
    probe.connectToServer(SERVER_NAME);
    if (probe.waitForConnected(200)) {
        probe.abort();
        qWarning() << "RECEIPT_LISTEN_REFUSED another listener has" << SERVER_NAME;
        return;
    }
    if (!m_server->listen(SERVER_NAME))
        qWarning().noquote() << "RECEIPT_LISTEN_FAILED" << m_server->errorString();
}

void CheckWidget::newConnection()
{
    qDebug() << "RECEIPT NEW CONNECTION";
    if (m_client) {
        m_client->disconnect(this);
        m_client->abort();
        m_client->deleteLater();
    }
    m_pending.clear();
    m_client = m_server->nextPendingConnection();
    if (!m_client)
        return;
    connect(m_client.data(), &QLocalSocket::readyRead, this, &CheckWidget::readyRead);
    // Data may have come with the connection.
    if (m_client->bytesAvailable() > 0)
        readyRead();
}

void CheckWidget::readyRead()
{
    if (!m_client)
        return;
    qDebug() << "RECEIPT READY READ";
    m_pending += m_client->readAll();
    const int zero = m_pending.indexOf('\0');
    const QString path = QString::fromUtf8(zero < 0 ? m_pending : m_pending.left(zero)).trimmed();
    qDebug().noquote() << "RECEIPT PATH" << path.left(300);
    // A zero byte or a line end closes the message; without either it may still be growing.
    const bool complete = zero >= 0 || m_pending.endsWith('\n');
    if (complete || (!path.isEmpty() && QFileInfo::exists(path))) {
        m_pending.clear();
        takePath(path);
    } else if (m_pending.size() > MAX_MESSAGE) {
        // A path arrives in pieces at most; this is something else.
        qWarning() << "RECEIPT_MESSAGE_TOO_LONG";
        m_pending.clear();
        m_client->abort();
    }
}

void CheckWidget::takePath(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        qDebug().noquote() << "RECEIPT NO FILE" << path.left(300);
        emit checkRefused(path, QStringLiteral("no such file"));
        return;
    }
    emit loadRequested(++m_lastRequest, QFileInfo(path).absoluteFilePath());
}

void CheckWidget::p_imageLoaded(quint64 id, const QString &path, const QImage &image)
{
    // A newer path is on its way: this picture is already out of date.
    if (id != m_lastRequest)
        return;
    const QPixmap pixmap = QPixmap::fromImage(image);
    m_label->setPixmap(pixmap);
    m_label->setGeometry(0, 0, pixmap.width(), pixmap.height());
    m_shownPath = path;
    qDebug().noquote() << "RECEIPT SHOWN" << path << pixmap.size();
    emit checkRecieved();
}

void CheckWidget::p_imageRefused(quint64 id, const QString &path, const QString &why)
{
    Q_UNUSED(id);
    qWarning().noquote() << "RECEIPT_REFUSED" << path << why;
    emit checkRefused(path, why);
}
