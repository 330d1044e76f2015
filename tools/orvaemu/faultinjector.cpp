#include "faultinjector.h"

#include <QVector>

FaultInjector::FaultInjector(double dropRate, double corruptRate, quint32 seed)
    : m_drop(dropRate), m_corrupt(corruptRate), m_random(seed)
{ }

FaultInjector::Fault FaultInjector::next()
{
    if (!isActive())
        return None;
    const double roll = m_random.generateDouble();
    if (roll < m_drop)
        return Drop;
    if (roll < m_drop + m_corrupt)
        return Corrupt;
    return None;
}

QByteArray FaultInjector::corrupt(const QByteArray &frame)
{
    // Candidates: from the identifier (offset 3) to the end, skipping escape pairs.
    QVector<int> candidates;
    for (int i = 3; i < frame.size(); ++i) {
        const quint8 b = quint8(frame.at(i));
        if (b == 0xFD) {
            ++i;
            continue;
        }
        candidates.append(i);
    }
    if (candidates.isEmpty())
        return frame;
    QByteArray out = frame;
    const int at = candidates.at(int(m_random.bounded(quint32(candidates.size()))));
    quint8 b = quint8(out.at(at));
    do {
        b = quint8(b ^ quint8(1 + m_random.bounded(255u)));
    } while (b == 0xFD || b == 0xFE || b == quint8(frame.at(at)));
    out[at] = char(b);
    return out;
}
