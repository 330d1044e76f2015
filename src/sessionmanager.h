#ifndef SESSIONMANAGER_H
#define SESSIONMANAGER_H

#include "franswers.h"

#include <QObject>

// What the session knows about the register: the last state it reported.
class SessionManager : public QObject
{
    Q_OBJECT
public:
    explicit SessionManager(QObject *parent = nullptr);

    FrStateCommandAnswer lastState() const { return m_lastState; }
    void setLastState(const FrStateCommandAnswer &state) { m_lastState = state; }

private:
    FrStateCommandAnswer m_lastState;
};

#endif // SESSIONMANAGER_H
