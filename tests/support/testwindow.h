#pragma once

#include "tests/support/testsupport.h"
#include "ui/form1.h"

#include <QTemporaryDir>
#include <QVariant>

#include <memory>

// A window of its own for one test: its settings in a throw-away file, its boxes recorded, and
// a close that is counted instead of ending the process.
struct TestWindow {
    // `recorder` takes the boxes in place of the window's own FakeDialogs.
    explicit TestWindow(FakeDialogs *recorder = nullptr) : dialogs(recorder ? *recorder : ownDialogs) {}

    QTemporaryDir dir;
    FakeDialogs ownDialogs;
    FakeDialogs &dialogs;
    std::unique_ptr<Form1> form;
    int unloads = 0;

    QString settingsFile() const { return dir.filePath(QStringLiteral("settings.ini")); }
    void store(const QString &key, const QString &value);
    QVariant stored(const QString &key) const;

    // A new window over the same settings; `options` keep their AppFolder, start and unload
    // where given.
    Form1 &open(Form1Options options = {});
    Form1 &open(const QString &appFolder);

    QStringList entries() const;
};
