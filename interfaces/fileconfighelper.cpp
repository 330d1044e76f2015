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
    m_settings->setValue(group + QLatin1Char('/') + key, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        qWarning().noquote() << "CONFIG_WRITE_FAILED" << m_settings->fileName() << group << key;
        return false;
    }
    return true;
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
    m_settings->remove(group + QLatin1Char('/') + key);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        qWarning().noquote() << "CONFIG_WRITE_FAILED" << m_settings->fileName() << group << key;
        return false;
    }
    return true;
}

QString FileConfigHelper::settingsPath() const
{
    return m_settings->fileName();
}

} // namespace qt5ext
