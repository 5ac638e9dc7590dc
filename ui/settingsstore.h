#pragma once

#include <QSettings>
#include <QString>

#include <functional>
#include <memory>

// The per-user store of the window's options: application "Quillfern", group "Lumenpage".
// Every value is text. Writes go to disk at once, so that nothing is lost when the program ends
// without unwinding.
class SettingsStore {
public:
    // With an empty `fileName` the user's own store; otherwise that INI file (tests).
    explicit SettingsStore(const QString &fileName = QString());

    QString read(const QString &key, const QString &defaultText) const;
    // The default is only computed when the key is missing: an empty stored text stays empty.
    QString read(const QString &key, const std::function<QString()> &defaultText) const;
    // False when the value could not be stored.
    bool write(const QString &key, const QString &text);

    QString fileName() const { return m_settings->fileName(); }

private:
    std::unique_ptr<QSettings> m_settings;
};
