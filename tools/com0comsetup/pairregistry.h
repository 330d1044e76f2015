#ifndef PAIRREGISTRY_H
#define PAIRREGISTRY_H

#include <QString>
#include <QStringList>
#include <QVector>

// The port pairs of this machine, kept in a state file of the port folder. Each pair that is
// up is one socat process joining two pseudo-terminals; the folder holds a link named after
// each port (COM1 -> /dev/pts/3), so a program opens "<folder>/COM1" and its peer
// "<folder>/COM6". Every call re-reads the file under a lock: several programs share it.
class PairRegistry
{
public:
    struct Pair
    {
        int number = 0;
        QString portA;
        QString portB;
        qint64 pid = 0; // the joining socat; 0 while not started
    };

    // ALLUSERSPROFILE/ORVI/com0com, where the driver finds its port too.
    static QString defaultFolder();

    explicit PairRegistry(const QString &folder = defaultFolder());

    QString folder() const { return m_folder; }
    QString linkPath(const QString &port) const;

    // Names taken by a pair or by anything else in the folder that matches the pattern.
    bool busyNames(const QString &pattern, QStringList *names, QString *error);
    bool pairs(QVector<Pair> *out, QString *error);
    bool install(const QString &paramsA, const QString &paramsB, bool start, QString *error);
    // Starts every recorded pair that is not up.
    bool startAll(QString *error);
    bool remove(int number, QString *error);

    static bool isPortName(const QString &name);
    // "PortName=COM7" -> "COM7"; empty for anything else.
    static QString portFromParameters(const QString &parameters);

private:
    bool lock(class QLockFile *lock, QString *error);
    bool load(QVector<Pair> *pairs, QString *error) const;
    bool save(const QVector<Pair> &pairs, QString *error) const;
    // Drops pairs whose socat has gone; their links go with them.
    bool prune(QVector<Pair> *pairs);
    bool isUp(const Pair &pair) const;
    bool startRelay(Pair *pair, QString *error) const;
    void stopRelay(const Pair &pair) const;
    void removeLinks(const Pair &pair) const;

    QString m_folder;
};

#endif // PAIRREGISTRY_H
