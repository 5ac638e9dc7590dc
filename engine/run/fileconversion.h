#pragma once

#include "engine/base/conversionhost.h"
#include "engine/run/journal.h"
#include "engine/methods/methods.h"
#include "engine/encode/animation.h"
#include "engine/encode/imaging.h"
#include "engine/encode/pageencoding.h"
#include "engine/encode/pagestream.h"
#include "engine/base/runreport.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/interruption.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>


// The conversion run's part for one file: its pages from page image to GIF file. Used by the
// run only.

// One file's page images on their way to GIF files: each is named, encoded, reported and
// deleted, in the order taken. A method hands each page over as it is drawn (see PageSink),
// and it is encoded on the stream's worker meanwhile; when the method has returned, the page
// images still in the WorkFolder are taken the same way, the last step of the same route, with
// a worker per core.
//
// With a frame delay in the format (--animate) the file's pages make one animated GIF, named
// after the PDF as its pages' GIFs would be without the page part ("report.gif"): the pages are
// readied on the workers and written into it in page order as they come. It takes its name at
// end() only when every page of the file went in; a page that fails is reported under the name
// its own GIF would have had, and then no animated GIF is left at all.
class FileConversion final : public PageSink {
public:
    // What it shows and records goes through the file's chapter of the run's journal. `position`
    // is the file's place in the input list, from 1.
    FileConversion(Dialogs &dialogs, RunJournal::Chapter &host, RunReport &report, const QString &workFolder,
                   const QString &pdf, int position, QSet<QString> &writtenEarlier, bool workers);

    // Names beginning with "~" are scratch files, except this file's own pages: a PDF named
    // "~draft.pdf" gives "~draft-001.jpg".
    bool ownPage(const QString &name) const;

    // Pages whose names are all known in advance (handed over later, or left in the
    // WorkFolder) share one variant for the whole file.
    void expect(const QStringList &names) override;

    void take(int page, const QString &name, int expected, const PageImage::DrawnPixels &pixels) override;

    int backlog() const override { return m_stream.backlog(); }

    int poll() override;
    bool takesDrawnPixels() const override { return m_format.drawnPixels; }

    // The page images `method` left in the WorkFolder, in the order given, after those it
    // handed over: page `j` of them shows as the handed pages' count + j of that count + theirs.
    // Their page numbers are read from their names by the method's rule (none without one).
    // The last of them may still be encoded when it returns; end() waits for them.
    void takeLeftovers(const QStringList &pages, const MethodInfo *method);

    // Records what the file's GIFs were named. Called once, whatever the method did;
    // `allDrawn`: the method drew every page it was asked for (an animated GIF is kept only then).
    void end(bool allDrawn = true);

    int taken() const { return m_taken; }
    // The GIF files its pages were given, written or still being encoded.
    const QSet<QString> &claimed() const { return m_claimed; }
    // A page image whose name begins with `prefix` is still being encoded.
    bool encodingPageStartingWith(const QString &prefix) const;
    // A page taken was so large that it is encoded alone.
    bool hasLargePage() const { return m_largePage; }
    // Failures reported in the ErrorBox while its pages were converted, in order.
    const QStringList &unexpected() const { return m_trap.reported(); }

    int written() const { return m_written; }           // GIFs written
    const QString &lastError() const { return m_lastError; } // why the last page that failed did

private:
    // The name (without extension) the page image `name` gives: its own, or the user's pattern's.
    QString stemOf(const QString &name) const;
    QString gifPathFor(const QString &name);
    void submit(const QString &name, int page, bool large, const PageImage::DrawnPixels &pixels = {});
    void drain();

    // Reports how the page came out; its page image is deleted either way.
    void account(const QString &name, int number, const PageStream::Page &page, int j, int total);
    void accountGif(const QString &name, int number, const QString &gifPath, const PageEncoding &encoded);
    void accountFrame(const QString &name, int number, const PageStream::Page &page, PageEncoding encoded);
    // A page image that could not be read: the box, the reason, the GIF listed as missing.
    void reportUndecodable(const QString &name, const QString &gifPath, const PageEncoding &encoded, PageOutcome &outcome);
    void failAnimation(const QString &why, bool listed);
    void finishAnimation(bool allDrawn);
    bool animating() const { return m_format.frameDelay > 0; }

    ErrorTrap m_trap;
    RunJournal::Chapter &m_host;
    RunReport &m_report;
    const QString m_workFolder, m_pdf, m_baseName;
    QSet<QString> &m_writtenEarlier; // GIF files the earlier files of this run wrote
    QSet<QString> m_writtenNow;
    QStringList m_renamed;
    const PageFormat m_format; // fixed for the file, even if the host's options change meanwhile
    const QString m_extension; // of the files the imaging service writes pages as
    const NamePattern m_names; // fixed for the file, as the format
    const MethodInfo *const m_method; // whose page image names give the page numbers
    const int m_position;
    int m_variant = 0;
    int m_taken = 0;    // pages taken, while the method rendered or after
    int m_done = 0;     // of those, accounted for
    int m_expected = 0; // pages the file is known to have: the renderer's count, or the pages left
    QStringList m_inFlight; // taken, not yet accounted, in order
    QList<int> m_inFlightPages; // their page numbers
    int m_written = 0;
    QString m_lastError;
    QSet<QString> m_claimed;
    bool m_largePage = false;
    const int m_workers; // once every page is drawn
    PageStream m_stream;
    // With --animate: the file's one GIF, its pages' outcomes (told once it is complete or gone).
    QString m_animationPath;
    std::unique_ptr<AnimationWriter> m_animation;
    bool m_animationFailed = false;
    QString m_animationError;
    QList<PageOutcome> m_frameOutcomes;
    // A program ended by a signal or by closing the window lets the page being written finish.
    Interruption::SettleGuard m_settle;
};
