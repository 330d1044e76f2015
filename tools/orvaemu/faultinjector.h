#ifndef FAULTINJECTOR_H
#define FAULTINJECTOR_H

#include <QByteArray>
#include <QRandomGenerator>

// Decides, frame by frame, whether the line loses or garbles it. One generator for the
// whole program so that a seed repeats the same run.
class FaultInjector
{
public:
    enum Fault { None, Drop, Corrupt };

    FaultInjector(double dropRate, double corruptRate, quint32 seed);

    bool isActive() const { return m_drop > 0 || m_corrupt > 0; }
    Fault next();
    // Alters one byte of the frame body (identifier, data or CRC) so that the receiver's CRC
    // check must fail; stuffing bytes are left alone so the damage stays a single byte.
    QByteArray corrupt(const QByteArray &frame);

private:
    double m_drop;
    double m_corrupt;
    QRandomGenerator m_random;
};

#endif // FAULTINJECTOR_H
