#ifndef CHECKWIDGET_H
#define CHECKWIDGET_H

#include <QImage>
#include <QPointer>
#include <QScrollArea>
#include <QThread>

class QLabel;
class QLocalServer;
class QLocalSocket;
class ReceiptImageLoader;

// The picture of the last printed receipt. The driver renders each receipt to an image file
// and sends its path over the local socket "receiptFile"; the newest connection is the one
// listened to.
class CheckWidget : public QScrollArea
{
    Q_OBJECT
public:
    static const QString SERVER_NAME;
    // Longer than any path; a client that sends more without a zero byte is cut off.
    static const int MAX_MESSAGE = 4096;

    explicit CheckWidget(QWidget *parent = nullptr);
    ~CheckWidget() override;

    bool isListening() const;
    // The file of the picture on show; empty before the first.
    QString shownPath() const { return m_shownPath; }
    QLabel *label() const { return m_label; }

signals:
    void checkRecieved();
    // A path that names no picture this page will show.
    void checkRefused(const QString &path, const QString &why);
    void loadRequested(quint64 id, const QString &path);

public slots:
    void newConnection();
    void readyRead();

private slots:
    void p_imageLoaded(quint64 id, const QString &path, const QImage &image);
    void p_imageRefused(quint64 id, const QString &path, const QString &why);

private:
    void listen();
    void takePath(const QString &path);

    QLocalServer *m_server = nullptr;
    QPointer<QLocalSocket> m_client;
    QByteArray m_pending;
    QLabel *m_label = nullptr;
    QThread m_loaderThread;
    ReceiptImageLoader *m_loader = nullptr;
    quint64 m_lastRequest = 0;
    QString m_shownPath;
};

#endif // CHECKWIDGET_H
