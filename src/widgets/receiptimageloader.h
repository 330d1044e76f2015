#ifndef RECEIPTIMAGELOADER_H
#define RECEIPTIMAGELOADER_H

#include <QImage>
#include <QObject>

// Reads a receipt picture in a worker thread and scales it to the page's width. Anyone on
// the machine can name a file to the receipt socket, so nothing but a regular file of
// sensible size holding an image of sensible dimensions is read.
class ReceiptImageLoader : public QObject
{
    Q_OBJECT
public:
    static const int TARGET_WIDTH = 600;
    static const qint64 MAX_FILE_SIZE = 32 * 1024 * 1024;
    static const int MAX_SIDE = 32767;
    static const qint64 MAX_PIXELS = 64LL * 1024 * 1024;

    using QObject::QObject;

    // The scaled picture, or a null image and why not.
    static QImage load(const QString &path, QString *why);

public slots:
    void request(quint64 id, const QString &path);

signals:
    void loaded(quint64 id, const QString &path, const QImage &image);
    void refused(quint64 id, const QString &path, const QString &why);
};

#endif // RECEIPTIMAGELOADER_H
