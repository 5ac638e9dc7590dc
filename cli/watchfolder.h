#pragma once

#include "cli/batchhost.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// --watch DIR: a hot folder. Every PDF that appears in DIR (and below it, with --recursive) is
// converted once it has settled, with the options of the command line, until a signal ends the
// program. The folder is polled: a look every few hundred milliseconds lists it anew. An event
// from the kernel would say that a file changed, not that its writer is done, so a settled file
// needs the looks anyway; and polling sees network folders, a whole tree without a watch per
// folder, and files that were there before the program started, alike. The kernel's word on
// the folder itself only brings the next look forward, so that a file dropped in is first seen
// at once rather than up to a look later.
//
// A file has settled when looks a look's interval apart saw the same file (inode, size,
// modification and change time), its last change is that interval old, and nobody holds it
// open for writing (where the system tells: a read lease is refused while a writer has it
// open). Only then is it read, to hash it and to convert it. Every look hands all the files that settled to one conversion
// run, as one list, so the run's overlap of files keeps both cores busy in a burst.
//
// The record (--report, required) is what makes each version of a PDF converted once, across
// restarts too: each file's "done" or "file-failed" line holds the version read ("source"). A
// file whose size, time or inode, and then whose content, differ from the version last
// converted is a new version and is converted again; a failed one is not tried again until it changes.
//
// Only regular files whose name ends in .pdf (any case) are taken; names starting with a full
// stop (the temporary files of copying programs) are not, nor are links: neither a link to a
// file nor one to a folder is followed, so nothing outside DIR is read through it, and a FIFO,
// a device or a socket is never opened.
class WatchFolder {
public:
    struct Settings {
        QString folder;      // absolute
        QString given;       // as the user gave it, for messages
        bool recursive = false;
        int intervalMs = 400; // between two looks
    };

    WatchFolder(BatchOptions options, Settings settings);

    // Watches until a signal ends the program; the exit status when it cannot go on (the
    // folder, the output folder or the record failed), after one line saying why.
    int run();

private:
    struct Seen {
        qulonglong device = 0, inode = 0;
        qint64 size = -1, mtimeNs = 0, ctimeNs = 0;
        qint64 sinceMs = 0; // when a look first saw it so (the watch's clock)
        bool same(const Seen &o) const
        {
            return device == o.device && inode == o.inode && size == o.size && mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs;
        }
    };
    struct Gif {
        QString path;
        qint64 bytes = -1;
        QByteArray digest;
    };
    // A file's version: its size, time and inode tell it cheaply; its digest, read, for sure.
    struct Version {
        qint64 size = -1, mtimeNs = 0;
        qulonglong inode = 0;
        QByteArray digest;
        bool sameFile(const Seen &seen) const { return size == seen.size && mtimeNs == seen.mtimeNs && inode == seen.inode; }
    };

    bool startRecord();
    QStringList look(QString *problem);
    void walk(int folderFd, const QString &path, int depth, QHash<QString, Seen> *found);
    bool takeIfSettled(const QString &pdf, const Seen &now, QStringList *batch);
    bool convert(const QStringList &batch);
    void dropEarlierGifs(const QString &pdf, const QList<Gif> &now);
    void wait(qint64 ms);
    void tell(const QString &line);

    BatchOptions m_options;
    Settings m_settings;
    std::shared_ptr<RunRecord> m_record;
    QHash<QString, Seen> m_seen;          // what the last look found
    qint64 m_nextDue = -1;                // when a file the last look found may have settled; -1: none
    QElapsedTimer m_clock;
    QFileSystemWatcher m_wakeUp;          // the folder itself: a file put in is looked at at once
    QHash<QString, Version> m_handled;    // the version last converted (or failed), by path
    QHash<QString, Version> m_batchSources; // the versions handed to the current batch
    QHash<QString, QList<Gif>> m_gifs;    // the files each PDF's conversions wrote
    QHash<QString, QList<Gif>> m_batchGifs; // those of the current batch
    QSet<QString> m_batchWhole;           // its PDFs that came out whole
    QSet<QString> m_told;                 // problems told once
    qulonglong m_outputDevice = 0, m_outputInode = 0; // not walked into
};
