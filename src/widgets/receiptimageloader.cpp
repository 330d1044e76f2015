#include "receiptimageloader.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Opens the path only if it is a regular file: a FIFO or a device named in its place (even
// after the check) must neither block the reader nor feed it without end.
bool openRegular(const QString &path, QFile *file, QString *why)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = QStringLiteral("cannot open");
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *why = QStringLiteral("not a regular file");
        return false;
    }
    if (st.st_size > ReceiptImageLoader::MAX_FILE_SIZE) {
        ::close(fd);
        *why = QStringLiteral("file of %1 bytes").arg(qint64(st.st_size));
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *why = file->errorString();
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    if (!info.isFile()) {
        *why = QStringLiteral("not a regular file");
        return false;
    }
    if (info.size() > ReceiptImageLoader::MAX_FILE_SIZE) {
        *why = QStringLiteral("file of %1 bytes").arg(info.size());
        return false;
    }
    file->setFileName(path);
    if (!file->open(QIODevice::ReadOnly)) {
        *why = file->errorString();
        return false;
    }
    return true;
#endif
}

} // namespace

QImage ReceiptImageLoader::load(const QString &path, QString *why)
{
    QFile file;
    if (!openRegular(path, &file, why))
        return QImage();
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid()) {
        *why = QStringLiteral("not an image");
        return QImage();
    }
    // The header alone decides how much memory decoding takes: refuse picture bombs.
    if (size.width() > MAX_SIDE || size.height() > MAX_SIDE
        || qint64(size.width()) * size.height() > MAX_PIXELS) {
        *why = QStringLiteral("image of %1x%2").arg(size.width()).arg(size.height());
        return QImage();
    }
    QImage image;
    if (!reader.read(&image)) {
        *why = reader.errorString();
        return QImage();
    }
    const QImage scaled = image.scaledToWidth(TARGET_WIDTH, Qt::SmoothTransformation);
    qDebug() << "RECEIPT_IMAGE LOADED" << image.size() << "SCALED" << scaled.size();
    return scaled;
}

void ReceiptImageLoader::request(quint64 id, const QString &path)
{
    QString why;
    const QImage image = load(path, &why);
    if (image.isNull())
        emit refused(id, path, why);
    else
        emit loaded(id, path, image);
}
