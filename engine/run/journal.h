#pragma once

#include "engine/base/conversionhost.h"

#include "sys/dialogs.h"

#include <QList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

// What a run shows, in list order, as soon as it can be shown.
//
// The files of a run overlap: the next file's method draws while the last pages of the file
// before are still encoded. Everything a file shows (its progress text, pointers, page events,
// boxes and its end) is written into its chapter of the journal. The chapter at the head is
// shown as it is written; a later one waits until every chapter before it is closed (its file
// finished) and shown. So the user sees all of one file, then all of the next, and a file's
// boxes as soon as that file is done, while the next one is already drawn.
//
// Within a chapter, the boxes about pages handed over while the method still draws wait for the
// method's return: the method's own boxes come first, as they would if it drew every page first.
//
// The journal also counts the ErrorBoxes of the run, its own and its files'.
class RunJournal {
public:
    class Chapter;

    RunJournal(ConversionHost &host, int &errorBoxes);
    ~RunJournal();
    RunJournal(const RunJournal &) = delete;
    RunJournal &operator=(const RunJournal &) = delete;

    // A new chapter after the others, for the next file of the list.
    Chapter &open();
    // Shows what can be shown now, in order.
    void release();
    // The run's own boxes (before the first file and after the last): shown after everything
    // written before them.
    Dialogs &dialogs() { return m_runBoxes; }

    // Called after each yield of a file's method: where the run finishes the file before.
    std::function<void()> whileWaiting;

private:
    struct Entry {
        std::function<void()> show;
        bool box = false;
    };
    // The host's boxes behind a chapter, or behind the run itself when `chapter` is null.
    class Boxes final : public Dialogs {
    public:
        Boxes(RunJournal &journal, Chapter *chapter, bool aboutPages)
            : m_journal(journal), m_chapter(chapter), m_aboutPages(aboutPages)
        {
        }
        Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons = Buttons::Ok) override;
        Answer detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail) override;
        void errorBox(const QString &text) override;
        bool inputBox(const QString &prompt, const QString &title, QString &text) override;
        QString pickFolder(const QString &prompt) override;
        QStringList openFiles(const QString &title, const QString &filter) override;

    private:
        // Shows `show` in its turn: now for the run's own boxes, else through the chapter.
        void tell(std::function<void()> show);
        // A question is answered now, after everything that can be shown before it.
        Dialogs &askNow();

        RunJournal &m_journal;
        Chapter *m_chapter;
        bool m_aboutPages;
    };

    void show(const Entry &entry);

    ConversionHost &m_host;
    int &m_errorBoxes;
    Boxes m_runBoxes{*this, nullptr, false};
    std::deque<std::unique_ptr<Chapter>> m_open; // in list order; the first is the head
    // Shown and closed, kept until the run ends: a file's conversion may still refer to its own.
    std::vector<std::unique_ptr<Chapter>> m_done;
    bool m_releasing = false;
};

// One file's chapter: the host as that file's method and conversion see it. What they read
// passes straight through; what they tell is written into the journal.
class RunJournal::Chapter final : public ConversionHost {
public:
    explicit Chapter(RunJournal &journal) : m_journal(journal) {}

    // While the method draws, boxes about the pages it handed over wait for its own.
    Dialogs &pageDialogs() { return m_pageBoxes; }
    void methodStarts() { m_holdingPageBoxes = true; }
    void methodReturned();
    // The file is finished: nothing more is written here, and the next chapter may follow.
    void close();
    // Done in this chapter's turn, like what it shows: the run's report keeps list order too.
    void inTurn(std::function<void()> what) { write(std::move(what)); }

    // What the run reads
    QString applicationTitle() const override { return m_journal.m_host.applicationTitle(); }
    QString appFolder() const override { return m_journal.m_host.appFolder(); }
    int entryCount() const override { return m_journal.m_host.entryCount(); }
    QString entryAt(int position) const override { return m_journal.m_host.entryAt(position); }
    RunOptions options() const override { return m_journal.m_host.options(); }

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
    Dialogs &dialogs() override { return m_boxes; }
    const ImagingService &imagingService() const override { return m_journal.m_host.imagingService(); }

private:
    friend class RunJournal;
    void write(std::function<void()> show, bool box = false, bool aboutPages = false);

    RunJournal &m_journal;
    Boxes m_boxes{m_journal, this, false};
    Boxes m_pageBoxes{m_journal, this, true};
    QList<Entry> m_entries;        // written, not yet shown
    QList<Entry> m_heldPageBoxes;  // see methodStarts
    bool m_holdingPageBoxes = false;
    bool m_closed = false;
};
