#ifndef CTLSTATS_H
#define CTLSTATS_H

#include <QString>
#include <QVector>

// Durations of the runs of one orvactl call.
class CtlStats
{
public:
    void add(qint64 nsecs) { m_nsecs.append(nsecs); }
    int runs() const { return m_nsecs.size(); }

    // Median (the mean of the two middle runs for an even count), nearest-rank 99th
    // percentile and maximum, in milliseconds.
    double medianMs() const;
    double p99Ms() const;
    double maxMs() const;

    // "runs=N median_ms=X p99_ms=Y max_ms=Z", three decimals.
    QString line() const;

private:
    QVector<qint64> sorted() const;

    QVector<qint64> m_nsecs;
};

#endif // CTLSTATS_H
