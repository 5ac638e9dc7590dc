#include "tests/support/testwindow.h"

#include "inputlist/inputfilelist.h"

#include <QSettings>

void TestWindow::store(const QString &key, const QString &value)
{
    QSettings s(settingsFile(), QSettings::IniFormat);
    s.setValue(QStringLiteral("Lumenpage/") + key, value);
}

QVariant TestWindow::stored(const QString &key) const
{
    QSettings s(settingsFile(), QSettings::IniFormat);
    return s.value(QStringLiteral("Lumenpage/") + key);
}

Form1 &TestWindow::open(Form1Options options)
{
    options.settingsFile = settingsFile();
    if (!options.unload)
        options.unload = [this] { ++unloads; };
    form = std::make_unique<Form1>(dialogs, options);
    return *form;
}

Form1 &TestWindow::open(const QString &appFolder)
{
    Form1Options options;
    options.appFolder = appFolder;
    return open(options);
}

QStringList TestWindow::entries() const
{
    return form->ListView1->entries();
}
