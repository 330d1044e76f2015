#include "ctlstats.h"

#include <algorithm>
#include <cmath>

namespace {

double toMs(double nsecs)
{
    return nsecs / 1e6;
}

} // namespace

QVector<qint64> CtlStats::sorted() const
{
    QVector<qint64> s = m_nsecs;
    std::sort(s.begin(), s.end());
    return s;
}

double CtlStats::medianMs() const
{
    const QVector<qint64> s = sorted();
    if (s.isEmpty())
        return 0;
    const int n = s.size();
    if (n % 2)
        return toMs(double(s.at(n / 2)));
    return toMs((double(s.at(n / 2 - 1)) + double(s.at(n / 2))) / 2);
}

double CtlStats::p99Ms() const
{
    const QVector<qint64> s = sorted();
    if (s.isEmpty())
        return 0;
    const int rank = int(std::ceil(0.99 * s.size()));
    return toMs(double(s.at(qBound(1, rank, s.size()) - 1)));
}

double CtlStats::maxMs() const
{
    return m_nsecs.isEmpty() ? 0 : toMs(double(*std::max_element(m_nsecs.begin(), m_nsecs.end())));
}

QString CtlStats::line() const
{
    return QStringLiteral("runs=%1 median_ms=%2 p99_ms=%3 max_ms=%4")
        .arg(runs())
        .arg(medianMs(), 0, 'f', 3)
        .arg(p99Ms(), 0, 'f', 3)
        .arg(maxMs(), 0, 'f', 3);
}
