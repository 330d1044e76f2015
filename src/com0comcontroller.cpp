#include "com0comcontroller.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QLibrary>
#include <QRegularExpression>

namespace {
#ifdef Q_OS_WIN
const char LIBRARY_FILE[] = "%1/com0com/setup.dll";
#else
const char LIBRARY_FILE[] = "%1/com0com/libsetup.so";
#endif
const char INF_FILE[] = "%1/com0com/com0com.inf";
const int SIDE_B_OFFSET = 5;
const int SEARCH_LAST = 14;

QString portName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}
} // namespace

Com0ComController::Com0ComController(const QString &libraryPath)
    : m_library(new QLibrary(libraryPath))
{
    if (!m_library->load()) {
        m_error = m_library->errorString();
        qWarning().noquote() << "COM0COM_LOAD_FAILED" << m_error;
        m_library.reset();
        return;
    }
    m_showBusyNames = reinterpret_cast<Com0ComShowBusyNames>(m_library->resolve("ShowBusyNames"));
    m_listPreparedDevices
        = reinterpret_cast<Com0ComListPreparedDevices>(m_library->resolve("ListPreparedDevices"));
    m_installPorts = reinterpret_cast<Com0ComInstallPorts>(m_library->resolve("InstallPorts"));
    m_remove = reinterpret_cast<Com0ComRemove>(m_library->resolve("Remove"));
    m_installDriver = reinterpret_cast<Com0ComInstallDriver>(m_library->resolve("InstallDriver"));
    if (!isUsable()) {
        m_error = m_library->errorString();
        qWarning().noquote() << "COM0COM_ENTRY_POINTS_MISSING" << m_error;
    }
}

Com0ComController::~Com0ComController() = default;

bool Com0ComController::isUsable() const
{
    return m_library && m_showBusyNames && m_listPreparedDevices && m_installPorts && m_remove
        && m_installDriver;
}

QString Com0ComController::defaultLibraryPath()
{
    return QDir::toNativeSeparators(
        QString::fromLatin1(LIBRARY_FILE).arg(QCoreApplication::applicationDirPath()));
}

QString Com0ComController::infPath()
{
    return QDir::toNativeSeparators(
        QString::fromLatin1(INF_FILE).arg(QCoreApplication::applicationDirPath()));
}

QStringList Com0ComController::getBysyPorts() const
{
    if (!isUsable())
        return QStringList();
    QByteArray buffer(BUSY_BUFFER_SIZE, '\0');
    if (!m_showBusyNames("COM*", buffer.data(), buffer.size()))
        return QStringList();
    return parseBusyNames(buffer);
}

QStringList Com0ComController::parseBusyNames(const QByteArray &buffer)
{
    QByteArray text = buffer;
    text.replace('\0', ' ');
    const QStringList names
        = QString::fromLatin1(text.trimmed()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    qWarning().noquote() << "COM0COM_BUSY_NAMES" << buffer.toHex() << names.join(QLatin1Char(' '));
    return names;
}

Com0ComController::PairMap Com0ComController::getPairs() const
{
    if (!isUsable())
        return PairMap();
    QByteArray buffer(LIST_BUFFER_SIZE, '\0');
    if (!m_listPreparedDevices(buffer.data(), buffer.size()))
        return PairMap();
    return parsePairs(buffer);
}

Com0ComController::PairMap Com0ComController::parsePairs(const QByteArray &buffer)
{
    static const QRegularExpression line(
        QStringLiteral("^(CNC[A,B]\\d{1,2})(\\:)(\\w*\\=COM\\d{1,3})(.*)$"));
    const int end = buffer.indexOf('\0');
    const QString text = QString::fromLatin1(end < 0 ? buffer : buffer.left(end));
    PairMap pairs;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &l : lines) {
        const QRegularExpressionMatch m = line.match(l);
        if (!m.hasMatch())
            continue;
        const QString device = m.captured(1);
        const QString parameter = m.captured(3);
        const int number = device.mid(4).toInt();
        const QString port = parameter.mid(parameter.indexOf(QLatin1Char('=')) + 1);
        if (device.at(3) == QLatin1Char('A'))
            pairs[number].first = port;
        else
            pairs[number].second = port;
    }
    return pairs;
}

bool Com0ComController::choosePorts(const QStringList &busy, QString *sideA, QString *sideB)
{
    QString a, b;
    for (int n = 1; n <= SEARCH_LAST && (a.isEmpty() || b.isEmpty()); ++n) {
        // Both ends on one name would be no pair at all: skip what the other side took.
        if (a.isEmpty() && !busy.contains(portName(n)) && portName(n) != b)
            a = portName(n);
        if (b.isEmpty() && !busy.contains(portName(n + SIDE_B_OFFSET))
            && portName(n + SIDE_B_OFFSET) != a)
            b = portName(n + SIDE_B_OFFSET);
    }
    if (a.isEmpty() || b.isEmpty())
        return false;
    *sideA = a;
    *sideB = b;
    return true;
}

bool Com0ComController::installPair() const
{
    if (!isUsable())
        return false;
    if (!getPairs().isEmpty())
        return true;
    qDebug() << "COM0COM NO PAIRS";
    const QStringList busy = getBysyPorts();
    qDebug() << "COM0COM BUSY" << busy;
    QString a, b;
    if (!choosePorts(busy, &a, &b)) {
        qWarning() << "COM0COM_NO_FREE_PORTS";
        return false;
    }
    const QByteArray inf = infPath().toUtf8();
    const QByteArray paramsA = QStringLiteral("PortName=%1").arg(a).toLatin1();
    const QByteArray paramsB = QStringLiteral("PortName=%1").arg(b).toLatin1();
    if (!m_installPorts(inf.constData(), paramsA.constData(), paramsB.constData(), 1)) {
        qWarning() << "COM0COM_INSTALL_PORTS_FAILED" << a << b;
        return false;
    }
    const bool driver = m_installDriver(inf.constData());
    qDebug() << "COM0COM INSTALLED" << a << b << "DRIVER" << driver;
    return driver;
}

void Com0ComController::removePairs() const
{
    if (!isUsable())
        return;
    const PairMap pairs = getPairs();
    for (auto it = pairs.constBegin(); it != pairs.constEnd(); ++it) {
        if (!m_remove(it.key()))
            qWarning() << "COM0COM_REMOVE_FAILED" << it.key();
    }
}
