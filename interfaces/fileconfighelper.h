#ifndef FILECONFIGHELPER_H
#define FILECONFIGHELPER_H

#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

namespace qt5ext {

// INI-style settings file; every write is flushed at once because instances are short-lived.
class FileConfigHelper
{
public:
    explicit FileConfigHelper(const QString &filePath);
    virtual ~FileConfigHelper();

    FileConfigHelper(const FileConfigHelper &) = delete;
    FileConfigHelper &operator=(const FileConfigHelper &) = delete;

    QVariant value(
        const QString &group, const QString &key, const QVariant &defaultValue = QVariant()) const;
    // Returns false when the file could not be written.
    bool setValue(const QString &group, const QString &key, const QVariant &value);
    bool contains(const QString &group, const QString &key) const;
    QStringList keys(const QString &group) const;
    // Returns false when the file could not be written.
    bool remove(const QString &group, const QString &key);

    QString settingsPath() const;

private:
    QScopedPointer<QSettings> m_settings;
};

} // namespace qt5ext

#endif // FILECONFIGHELPER_H
