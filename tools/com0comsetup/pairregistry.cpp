#include "pairregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <sys/types.h>

namespace {
const char STATE_FILE[] = "pairs.json";
const char LOCK_FILE[] = "pairs.lock";
const int MAX_PAIR_NUMBER = 99; // two digits in the device names
const int LINK_WAIT_MS = 3000;
const int STOP_WAIT_MS = 2000;
const int LOCK_WAIT_MS = 5000;
} // namespace

QString PairRegistry::defaultFolder()
{
    const QString root
        = QProcessEnvironment::systemEnvironment().value(QStringLiteral("ALLUSERSPROFILE"));
    return QDir::fromNativeSeparators(root + QStringLiteral("/ORVI/com0com"));
}

PairRegistry::PairRegistry(const QString &folder) : m_folder(folder) { }

QString PairRegistry::linkPath(const QString &port) const
{
    return m_folder + QLatin1Char('/') + port;
}

bool PairRegistry::isPortName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^COM[1-9]\\d{0,2}$"));
    return re.match(name).hasMatch();
}

QString PairRegistry::portFromParameters(const QString &parameters)
{
    static const QRegularExpression re(QStringLiteral("^PortName=(COM\\d+)$"));
    const QRegularExpressionMatch m = re.match(parameters);
    // The name becomes a file in the port folder: nothing but COM<n> may pass.
    return m.hasMatch() && isPortName(m.captured(1)) ? m.captured(1) : QString();
}

bool PairRegistry::lock(QLockFile *lock, QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        *error = QStringLiteral("cannot create %1").arg(m_folder);
        return false;
    }
    if (!lock->tryLock(LOCK_WAIT_MS)) {
        *error = QStringLiteral("%1 stays locked").arg(lock->error());
        return false;
    }
    return true;
}

bool PairRegistry::load(QVector<Pair> *pairs, QString *error) const
{
    pairs->clear();
    QFile file(m_folder + QLatin1Char('/') + QLatin1String(STATE_FILE));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parse);
    if (!doc.isObject()) {
        *error = QStringLiteral("%1: %2").arg(file.fileName(), parse.errorString());
        return false;
    }
    const QJsonArray list = doc.object().value(QStringLiteral("pairs")).toArray();
    for (const QJsonValue &v : list) {
        const QJsonObject o = v.toObject();
        Pair p;
        p.number = o.value(QStringLiteral("number")).toInt(-1);
        p.portA = o.value(QStringLiteral("portA")).toString();
        p.portB = o.value(QStringLiteral("portB")).toString();
        p.pid = qint64(o.value(QStringLiteral("pid")).toDouble());
        if (p.number < 0 || p.number > MAX_PAIR_NUMBER || !isPortName(p.portA)
            || !isPortName(p.portB)) {
            *error = QStringLiteral("%1: a pair that is no pair").arg(file.fileName());
            return false;
        }
        pairs->append(p);
    }
    return true;
}

bool PairRegistry::save(const QVector<Pair> &pairs, QString *error) const
{
    QJsonArray list;
    for (const Pair &p : pairs) {
        list.append(QJsonObject { { QStringLiteral("number"), p.number },
            { QStringLiteral("portA"), p.portA }, { QStringLiteral("portB"), p.portB },
            { QStringLiteral("pid"), double(p.pid) } });
    }
    QSaveFile file(m_folder + QLatin1Char('/') + QLatin1String(STATE_FILE));
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(QJsonDocument(QJsonObject { { QStringLiteral("pairs"), list } }).toJson());
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

// The pid is ours only while it still runs a socat serving this pair's link: pids are
// reused, and a stopped socat may linger as a zombie with an empty command line.
static bool relayRuns(qint64 pid, const QString &link)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_LINUX
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return false;
    const QByteArray args = cmdline.readAll();
    // The whole argument, so that COM1 is not found in the link of COM10.
    return args.contains("socat") && args.contains("link=" + link.toLocal8Bit() + '\0');
#else
    Q_UNUSED(link);
    return ::kill(pid_t(pid), 0) == 0;
#endif
}

bool PairRegistry::isUp(const Pair &pair) const
{
    return relayRuns(pair.pid, linkPath(pair.portA)) && QFileInfo::exists(linkPath(pair.portA))
        && QFileInfo::exists(linkPath(pair.portB));
}

bool PairRegistry::prune(QVector<Pair> *pairs)
{
    const int before = pairs->size();
    auto dead = [this](const Pair &p) {
        if (p.pid == 0 || isUp(p))
            return false;
        stopRelay(p);
        removeLinks(p);
        return true;
    };
    pairs->erase(std::remove_if(pairs->begin(), pairs->end(), dead), pairs->end());
    return pairs->size() != before;
}

bool PairRegistry::startRelay(Pair *pair, QString *error) const
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty()) {
        *error = QStringLiteral("socat is not installed");
        return false;
    }
    // socat reads these characters as address syntax.
    if (m_folder.contains(QRegularExpression(QStringLiteral("[,:!\"'\\\\]")))) {
        *error = QStringLiteral("socat cannot name links in %1").arg(m_folder);
        return false;
    }
    removeLinks(*pair);
    const QString end = QStringLiteral("pty,raw,echo=0,link=%1");
    QProcess process;
    process.setProgram(socat);
    process.setArguments({ end.arg(linkPath(pair->portA)), end.arg(linkPath(pair->portB)) });
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        *error = QStringLiteral("cannot start socat: %1").arg(process.errorString());
        return false;
    }
    pair->pid = pid;
    QElapsedTimer timer;
    timer.start();
    while (!isUp(*pair)) {
        if (timer.elapsed() > LINK_WAIT_MS) {
            stopRelay(*pair);
            removeLinks(*pair);
            pair->pid = 0;
            *error
                = QStringLiteral("socat made no links for %1 and %2").arg(pair->portA, pair->portB);
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

void PairRegistry::stopRelay(const Pair &pair) const
{
    const QString link = linkPath(pair.portA);
    if (!relayRuns(pair.pid, link))
        return;
    ::kill(pid_t(pair.pid), SIGTERM);
    QElapsedTimer timer;
    timer.start();
    while (relayRuns(pair.pid, link) && timer.elapsed() < STOP_WAIT_MS)
        QThread::msleep(10);
    if (relayRuns(pair.pid, link))
        ::kill(pid_t(pair.pid), SIGKILL);
}

void PairRegistry::removeLinks(const Pair &pair) const
{
    for (const QString &port : { pair.portA, pair.portB }) {
        const QFileInfo link(linkPath(port));
        if (link.isSymLink())
            QFile::remove(link.filePath());
    }
}

bool PairRegistry::busyNames(const QString &pattern, QStringList *names, QString *error)
{
    QLockFile guard(m_folder + QLatin1Char('/') + QLatin1String(LOCK_FILE));
    QVector<Pair> list;
    if (!lock(&guard, error) || !load(&list, error))
        return false;
    if (prune(&list) && !save(list, error))
        return false;
    const QDir dir(m_folder);
    QStringList found = dir.entryList(QStringList { pattern },
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot
            | QDir::CaseSensitive);
    const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(pattern));
    for (const Pair &p : list) {
        for (const QString &port : { p.portA, p.portB }) {
            if (wildcard.match(port).hasMatch())
                found.append(port);
        }
    }
    found.removeDuplicates();
    std::sort(found.begin(), found.end());
    *names = found;
    return true;
}

bool PairRegistry::pairs(QVector<Pair> *out, QString *error)
{
    QLockFile guard(m_folder + QLatin1Char('/') + QLatin1String(LOCK_FILE));
    if (!lock(&guard, error) || !load(out, error))
        return false;
    if (prune(out) && !save(*out, error))
        return false;
    std::sort(
        out->begin(), out->end(), [](const Pair &a, const Pair &b) { return a.number < b.number; });
    return true;
}

bool PairRegistry::install(
    const QString &paramsA, const QString &paramsB, bool start, QString *error)
{
    Pair pair;
    pair.portA = portFromParameters(paramsA);
    pair.portB = portFromParameters(paramsB);
    if (pair.portA.isEmpty() || pair.portB.isEmpty() || pair.portA == pair.portB) {
        *error = QStringLiteral("bad port parameters \"%1\" \"%2\"").arg(paramsA, paramsB);
        return false;
    }
    QStringList busy;
    if (!busyNames(QStringLiteral("COM*"), &busy, error))
        return false;
    QLockFile guard(m_folder + QLatin1Char('/') + QLatin1String(LOCK_FILE));
    QVector<Pair> list;
    if (!lock(&guard, error) || !load(&list, error))
        return false;
    prune(&list);
    if (busy.contains(pair.portA) || busy.contains(pair.portB)) {
        *error = QStringLiteral("%1 or %2 is busy").arg(pair.portA, pair.portB);
        return false;
    }
    for (const Pair &p : list) {
        if (p.portA == pair.portA || p.portB == pair.portA || p.portA == pair.portB
            || p.portB == pair.portB) {
            *error = QStringLiteral("%1 or %2 is busy").arg(pair.portA, pair.portB);
            return false;
        }
    }
    pair.number = -1;
    for (int n = 0; n <= MAX_PAIR_NUMBER && pair.number < 0; ++n) {
        if (std::none_of(list.cbegin(), list.cend(), [n](const Pair &p) { return p.number == n; }))
            pair.number = n;
    }
    if (pair.number < 0) {
        *error = QStringLiteral("no free pair number");
        return false;
    }
    if (start && !startRelay(&pair, error))
        return false;
    list.append(pair);
    return save(list, error);
}

bool PairRegistry::startAll(QString *error)
{
    QLockFile guard(m_folder + QLatin1Char('/') + QLatin1String(LOCK_FILE));
    QVector<Pair> list;
    if (!lock(&guard, error) || !load(&list, error))
        return false;
    prune(&list);
    bool ok = true;
    for (Pair &p : list) {
        if (p.pid == 0)
            ok = startRelay(&p, error) && ok;
    }
    return save(list, error) && ok;
}

bool PairRegistry::remove(int number, QString *error)
{
    QLockFile guard(m_folder + QLatin1Char('/') + QLatin1String(LOCK_FILE));
    QVector<Pair> list;
    if (!lock(&guard, error) || !load(&list, error))
        return false;
    prune(&list);
    auto it = std::find_if(
        list.begin(), list.end(), [number](const Pair &p) { return p.number == number; });
    if (it == list.end()) {
        save(list, error);
        *error = QStringLiteral("no pair %1").arg(number);
        return false;
    }
    stopRelay(*it);
    removeLinks(*it);
    list.erase(it);
    return save(list, error);
}
