// Our stand-in for the null-modem setup library on systems without com0com: the same five
// entry points, with each pair made of two pseudo-terminals joined by socat.

#include "com0comentrypoints.h"
#include "pairregistry.h"

#include <QDebug>

#include <cstring>

namespace {

void complain(const char *call, const QString &error)
{
    qWarning().noquote() << "com0com-setup:" << call << error;
}

// Copies the bytes and a closing zero; false when they do not fit.
bool fill(char *buffer, int size, const QByteArray &bytes)
{
    if (!buffer || size <= 0 || bytes.size() + 1 > size)
        return false;
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
    buffer[bytes.size()] = '\0';
    return true;
}

} // namespace

extern "C" {

Q_DECL_EXPORT int ShowBusyNames(const char *pattern, char *buffer, int bufferSize)
{
    QStringList names;
    QString error;
    if (!pattern || !PairRegistry().busyNames(QString::fromLatin1(pattern), &names, &error)) {
        complain("ShowBusyNames", error);
        return 0;
    }
    QByteArray out;
    for (const QString &name : names)
        out += name.toLatin1() + '\0';
    return fill(buffer, bufferSize, out);
}

Q_DECL_EXPORT int ListPreparedDevices(char *buffer, int bufferSize)
{
    QVector<PairRegistry::Pair> pairs;
    QString error;
    if (!PairRegistry().pairs(&pairs, &error)) {
        complain("ListPreparedDevices", error);
        return 0;
    }
    QByteArray out;
    for (const PairRegistry::Pair &p : pairs) {
        out += QStringLiteral("CNCA%1:PortName=%2\n").arg(p.number).arg(p.portA).toLatin1();
        out += QStringLiteral("CNCB%1:PortName=%2\n").arg(p.number).arg(p.portB).toLatin1();
    }
    return fill(buffer, bufferSize, out);
}

Q_DECL_EXPORT int InstallPorts(
    const char *infPath, const char *paramsA, const char *paramsB, int startNow)
{
    Q_UNUSED(infPath); // there is no driver package to read here
    QString error;
    if (!paramsA || !paramsB
        || !PairRegistry().install(
            QString::fromLatin1(paramsA), QString::fromLatin1(paramsB), startNow != 0, &error)) {
        complain("InstallPorts", error);
        return 0;
    }
    return 1;
}

Q_DECL_EXPORT int Remove(int pairNumber)
{
    QString error;
    if (!PairRegistry().remove(pairNumber, &error)) {
        complain("Remove", error);
        return 0;
    }
    return 1;
}

Q_DECL_EXPORT int InstallDriver(const char *infPath)
{
    Q_UNUSED(infPath);
    QString error;
    if (!PairRegistry().startAll(&error)) {
        complain("InstallDriver", error);
        return 0;
    }
    return 1;
}

} // extern "C"
