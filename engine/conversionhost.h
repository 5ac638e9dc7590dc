#pragma once

#include <QImage>
#include <QString>

class Dialogs;
class ImagingService;

// What a conversion run needs from the program that hosts it: the window, or the console.
// The run and the methods read controls through it at the moment of use, as the user may change
// them while a run yields.
class ConversionHost {
public:
    virtual ~ConversionHost() = default;

    virtual Dialogs &dialogs() = 0;
    virtual QString applicationTitle() const = 0;
    virtual QString appFolder() const = 0;

    // The input list; positions run from 1 to entryCount(). entryAt throws Failure for a
    // position that is gone.
    virtual int entryCount() const = 0;
    virtual QString entryAt(int position) const = 0;

    // Whether option button Option1..Option4 is selected (Acrobat, Ghostscript, Black/White, GflAx).
    virtual bool isOptionSelected(int option) const = 0;
    virtual int check5() const = 0; // "Convert First Page Only": 1 ticked, 0 not
    virtual QString resolutionText() const = 0;
    virtual QString pagesText() const = 0;
    virtual QString outputFolderText() const = 0;

    virtual bool gdiplusUnavailable() const = 0;
    virtual ImagingService &imaging() = 0;

    virtual void setProgress(double percent) = 0;
    virtual void setProgressText(const QString &text) = 0;
    // The page images of the current file: `done` of `total` taken (converted or not). For
    // hosts that show more than the progress bar; the window does not.
    virtual void pageProgress(int done, int total) { Q_UNUSED(done) Q_UNUSED(total) }
    virtual void setWaitPointer(bool on) = 0;    // the window's own WaitPointer
    virtual void setAppWaitPointer(bool on) = 0; // the application-wide hourglass
    virtual QImage &picture() = 0;               // the picture holder
    virtual void yield() = 0;                    // let pending events run
};
