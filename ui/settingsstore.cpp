#include "ui/settingsstore.h"

namespace {
const QString Group = QStringLiteral("Lumenpage");
}

SettingsStore::SettingsStore(const QString &fileName)
    : m_settings(fileName.isEmpty()
                     ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                   QStringLiteral("Quillfern"))
                     : std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

QString SettingsStore::read(const QString &key, const QString &defaultText) const
{
    return read(key, [&] { return defaultText; });
}

QString SettingsStore::read(const QString &key, const std::function<QString()> &defaultText) const
{
    m_settings->sync();
    const QString path = Group + QLatin1Char('/') + key;
    if (!m_settings->contains(path))
        return defaultText();
    return m_settings->value(path).toString();
}

bool SettingsStore::write(const QString &key, const QString &text)
{
    m_settings->setValue(Group + QLatin1Char('/') + key, text);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
