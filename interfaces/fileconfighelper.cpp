#include "fileconfighelper.h"

#include <QDebug>
#include <QSettings>

namespace qt5ext {

FileConfigHelper::FileConfigHelper(const QString &filePath)
    : m_settings(new QSettings(filePath, QSettings::IniFormat))
{
    m_settings->setIniCodec("UTF-8");
}

FileConfigHelper::~FileConfigHelper() = default;

QVariant FileConfigHelper::value(
    const QString &group, const QString &key, const QVariant &defaultValue) const
{
    return m_settings->value(group + QLatin1Char('/') + key, defaultValue);
}

bool FileConfigHelper::setValue(const QString &group, const QString &key, const QVariant &value)
{
    const QString name = group + QLatin1Char('/') + key;
    const bool existed = m_settings->contains(name);
    const QVariant previous = m_settings->value(name);
    m_settings->setValue(name, value);
    return commit(name, existed, previous);
}

bool FileConfigHelper::commit(const QString &name, bool existed, const QVariant &previous)
{
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    qWarning().noquote() << "CONFIG_WRITE_FAILED" << m_settings->fileName() << name;
    // The process keeps unwritten changes of a file for its next readers, who would take them
    // for stored values.
    if (existed)
        m_settings->setValue(name, previous);
    else
        m_settings->remove(name);
    return false;
}

bool FileConfigHelper::contains(const QString &group, const QString &key) const
{
    return m_settings->contains(group + QLatin1Char('/') + key);
}

QStringList FileConfigHelper::keys(const QString &group) const
{
    m_settings->beginGroup(group);
    const QStringList list = m_settings->childKeys();
    m_settings->endGroup();
    return list;
}

bool FileConfigHelper::remove(const QString &group, const QString &key)
{
    const QString name = group + QLatin1Char('/') + key;
    const bool existed = m_settings->contains(name);
    const QVariant previous = m_settings->value(name);
    m_settings->remove(name);
    return commit(name, existed, previous);
}

QString FileConfigHelper::settingsPath() const
{
    return m_settings->fileName();
}

} // namespace qt5ext
