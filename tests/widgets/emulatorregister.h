#ifndef EMULATORREGISTER_H
#define EMULATORREGISTER_H

#include "emulatorprocess.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

class RegisterState;
class TempProfile;

// orvaemu behind the link of the page tests: started from a prepared state, with its journal
// and its frame log, on the port the profile gives the link.
class EmulatorRegister
{
public:
    bool start(const TempProfile &profile, const RegisterState &state,
        const QStringList &arguments = QStringList());

    EmulatorProcess &process() { return m_process; }
    // The printed documents, oldest first.
    QList<QJsonObject> journal() const;
    // What the register received, in order: each task once as its command code and payload in
    // hex ("ab0102"), and "c4" for every abort that emptied its buffer.
    QStringList received();

private:
    QTemporaryDir m_dir;
    EmulatorProcess m_process;
};

#endif // EMULATORREGISTER_H
