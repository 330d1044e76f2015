#ifndef STATEFILE_H
#define STATEFILE_H

#include <QString>

class RegisterState;

// The register's state as a JSON file, replaced atomically on every change. A file that
// exists but cannot be read back as a state is refused and left as it is.
class StateFile
{
public:
    explicit StateFile(const QString &path);

    QString path() const { return m_path; }
    // A missing file gives a fresh register (and creates the file); false with a message
    // for an unreadable or corrupt one.
    bool load(RegisterState *state, QString *error);
    bool save(const RegisterState &state, QString *error);

private:
    QString m_path;
};

#endif // STATEFILE_H
