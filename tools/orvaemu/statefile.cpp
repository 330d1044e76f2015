#include "statefile.h"

#include "registerstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

StateFile::StateFile(const QString &path) : m_path(path) { }

bool StateFile::load(RegisterState *state, QString *error)
{
    QFile file(m_path);
    if (!file.exists()) {
        *state = RegisterState::fresh();
        return save(*state, error);
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(m_path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("%1 is not a register state (%2); it is left untouched")
                     .arg(m_path,
                         parseError.error != QJsonParseError::NoError
                             ? parseError.errorString()
                             : QStringLiteral("not a JSON object"));
        return false;
    }
    QString why;
    if (!RegisterState::fromJson(doc.object(), state, &why)) {
        *error = QStringLiteral("%1 is not a register state (%2); it is left untouched")
                     .arg(m_path, why);
        return false;
    }
    return true;
}

bool StateFile::save(const RegisterState &state, QString *error)
{
    const QFileInfo info(m_path);
    QDir().mkpath(info.absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString());
        return false;
    }
    file.write(QJsonDocument(state.toJson()).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString());
        return false;
    }
    return true;
}
