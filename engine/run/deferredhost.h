#pragma once

#include "engine/run/conversionhost.h"

#include "sys/dialogs.h"

#include <QList>

#include <functional>

// The host as one file of a run sees it. While held, what the file shows (progress, pointers,
// its events, its boxes) waits, in the order it came, and is shown on release: a file can start
// rendering while the last pages of the file before are encoded, and the user still sees all of
// the file before, then all of this one. What the file reads passes straight through.
class DeferredHost final : public ConversionHost {
public:
    DeferredHost(ConversionHost &host, Dialogs &dialogs);

    void hold() { m_holding = true; }
    // Shows what waits, in order, and passes through from now on.
    void release();
    // A box waits: showing it now could stop the program (a box the user must close) in the
    // middle of another file's rendering.
    bool holdsBox() const { return m_boxes > 0; }

    // Called after each yield of the host, where the run finishes the file before.
    std::function<void()> afterYield;

    // What the run reads
    QString applicationTitle() const override { return m_host.applicationTitle(); }
    QString appFolder() const override { return m_host.appFolder(); }
    int entryCount() const override { return m_host.entryCount(); }
    QString entryAt(int position) const override { return m_host.entryAt(position); }
    RunOptions options() const override { return m_host.options(); }

    // What it tells
    void setProgress(double percent) override;
    void setProgressText(const QString &text) override;
    void pageProgress(int done, int total) override;
    void setWaitPointer(bool on) override;
    void setAppWaitPointer(bool on) override;
    void yield() override;
    void fileStarted(int position, const QString &pdf) override;
    void pageEnded(const PageOutcome &page) override;
    void fileEnded(const FileOutcome &outcome) override;
    void runEnded(const RunReport &report) override;

    // The services
    Dialogs &dialogs() override { return m_boxesOut; }
    const ImagingService &imagingService() const override { return m_host.imagingService(); }

private:
    // The file's boxes, held with the rest.
    class Boxes final : public Dialogs {
    public:
        explicit Boxes(DeferredHost &owner) : m_owner(owner) {}
        Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons = Buttons::Ok) override;
        Answer detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail) override;
        void errorBox(const QString &text) override;
        bool inputBox(const QString &prompt, const QString &title, QString &text) override;
        QString pickFolder(const QString &prompt) override;
        QStringList openFiles(const QString &title, const QString &filter) override;

    private:
        DeferredHost &m_owner;
    };

    // Runs `show` now, or keeps it for the release.
    void tell(std::function<void()> show, bool box = false);

    ConversionHost &m_host;
    Dialogs &m_dialogs;
    Boxes m_boxesOut{*this};
    bool m_holding = false;
    QList<std::function<void()>> m_waiting;
    int m_boxes = 0;
};
