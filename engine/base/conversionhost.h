#pragma once

#include "engine/base/runoptions.h"
#include "engine/base/runreport.h"

#include <QString>

class Dialogs;
class ImagingService;

// What a conversion run needs from the program that hosts it (the window, or the console), in
// three roles. The run and the methods read the inputs at the moment of use, as the user may
// change them while a run yields.

// What the run reads.
class RunInputs {
public:
    virtual ~RunInputs() = default;

    virtual QString applicationTitle() const = 0;
    virtual QString appFolder() const = 0;

    // The input list; positions run from 1 to entryCount(). entryAt throws Failure for a
    // position that is gone.
    virtual int entryCount() const = 0;
    virtual QString entryAt(int position) const = 0;
    // The number the user's own list gives the entry at `position` (a name pattern's {n}): the
    // same, unless the host left some of the files the user gave out of the run.
    virtual int listNumberOf(int position) const { return position; }

    // The user's choices, as they are now.
    virtual RunOptions options() const = 0;

    // GIF files an earlier run left that the host keeps (the files that gave them are not in
    // the list): the run's files are named around them as around GIFs the run wrote itself.
    virtual QStringList keptGifs() const { return {}; }
};

// What the run tells while it works. A host shows what it can; the rest does nothing.
class RunFeedback {
public:
    virtual ~RunFeedback() = default;

    virtual void setProgress(double /*percent*/) {}
    virtual void setProgressText(const QString & /*text*/) {}
    // The page images of the current file: `done` of `total` taken (converted or not). For
    // hosts that show more than the progress bar; the window does not.
    virtual void pageProgress(int /*done*/, int /*total*/) {}
    virtual void setWaitPointer(bool /*on*/) {}    // the window's own WaitPointer
    virtual void setAppWaitPointer(bool /*on*/) {} // the application-wide hourglass
    virtual void yield() {}                        // let pending events run

    // The run's events, for hosts that report beyond the window's texts and boxes. A file
    // starts after its progress text is shown and ends after its boxes; each of its pages ends
    // in between, in page order; the run ends before its last box.
    virtual void fileStarted(int /*position*/, const QString & /*pdf*/) {}
    virtual void pageEnded(const PageOutcome & /*page*/) {}
    virtual void fileEnded(const FileOutcome & /*outcome*/) {}
    virtual void runEnded(const RunReport & /*report*/) {}
};

// The outside services the run and the methods use.
class RunServices {
public:
    virtual ~RunServices() = default;

    virtual Dialogs &dialogs() = 0;
    // Every page is saved through it (started by the host; the run does not start without it).
    virtual const ImagingService &imagingService() const = 0;
};

class ConversionHost : public RunInputs, public RunFeedback, public RunServices {};
