#pragma once

#include "engine/base/conversionhost.h"
#include "engine/methods/methods.h"
#include "engine/encode/imaging.h"
#include "sys/fileutil.h"
#include "sys/dialogs.h"

#include <QImage>
#include <QMetaType>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

// Methods as rows of data-driven tests.
Q_DECLARE_METATYPE(Method)

// Records every box and answers from a script. Unscripted questions answer No, unscripted
// input boxes and pickers are cancelled.
class FakeDialogs : public Dialogs {
public:
    struct Box {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
        QString detail; // the reason behind "Show Details...", if any
    };
    QList<Box> boxes;
    QList<Answer> answers;
    QStringList inputs;          // each inputBox takes the next; absent means cancelled
    QStringList folders;         // each pickFolder takes the next
    QList<QStringList> fileLists;
    QStringList prompts;
    std::function<void(const Box &)> onMessage;

    Answer message(const QString &text, const QString &title, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    Answer detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail) override;
    bool inputBox(const QString &prompt, const QString &title, QString &text) override;
    QString pickFolder(const QString &prompt) override;
    QStringList openFiles(const QString &title, const QString &filter) override;

    QStringList texts() const;
    int countTitled(const QString &title) const;

private:
    QString m_detail; // of the box being shown
};

// A host with plain fields in place of the window's controls.
class TestHost : public ConversionHost {
public:
    TestHost();

    FakeDialogs fakeDialogs;
    ImagingService imaging; // started
    QStringList entries;
    std::optional<Method> method = Method::Ghostscript; // the selected method; none when empty
    int check5Value = 0;
    QString resolution = QStringLiteral("144");
    QString pages = QStringLiteral("1");
    QString outputFolder;
    QString appFolderPath;
    bool gdiplusFailed = false;
    RenderLimits limits;
    PageChoice choice;
    PageFormat format;
    QList<double> progressValues;
    QStringList progressTexts;
    bool waitPointer = false;
    int appWaitPointerOn = 0;
    bool appWaitPointer = false;
    QList<Qt::CursorShape> pointersShown; // what the window would show, after each change
    QList<QPair<int, int>> pageProgressCalls; // (done, total), in order
    QList<FileOutcome> outcomes;              // told as each file ended
    QList<PageOutcome> pagesEnded;            // told as each page ended
    QStringList events;                       // progress texts and the run's events, in order
    int yields = 0;
    std::function<void()> onYield;

    Dialogs &dialogs() override { return fakeDialogs; }
    const ImagingService &imagingService() const override { return imaging; }
    QString applicationTitle() const override { return QStringLiteral("Lumenpage"); }
    QString appFolder() const override { return appFolderPath; }
    int entryCount() const override { return entries.size(); }
    QString entryAt(int position) const override;
    RunOptions options() const override
    {
        return {method, check5Value == 1, LeadingNumber(resolution), PageCount(pages), outputFolder, gdiplusFailed, limits, choice, format, {}};
    }
    void setProgress(double percent) override { progressValues << percent; }
    void setProgressText(const QString &text) override { progressTexts << text; events << text; }
    void pageProgress(int done, int total) override { pageProgressCalls.append({done, total}); }
    void fileStarted(int position, const QString &pdf) override { events << QStringLiteral("start %1 %2").arg(position).arg(pdf); }
    void fileEnded(const FileOutcome &outcome) override
    {
        outcomes << outcome;
        events << QStringLiteral("end %1 %2").arg(outcome.position).arg(outcome.failures.isEmpty() ? QString() : outcome.failures[0].cause);
    }
    void pageEnded(const PageOutcome &page) override
    {
        pagesEnded << page;
        events << QStringLiteral("page %1 %2 %3").arg(page.pageImage, page.gif, page.written ? QString() : page.reason);
    }
    void setWaitPointer(bool on) override;
    void setAppWaitPointer(bool on) override;
    void yield() override;

    // The pointer the window shows now: the application-wide hourglass over everything, else
    // the window's WaitPointer, else the default arrow.
    Qt::CursorShape shownPointer() const;
};

// A throw-away root with an output folder, a TEMP folder (set in the environment, so the run
// makes its WorkFolder in it), a folder for the test's documents and a scratch folder `work`
// for calling methods directly, plus a host with `method` selected.
// LP_KEEP_TEST_FILES=1 keeps the root for a look after a failure.
struct RunFixture {
    explicit RunFixture(Method method, const QString &outName = QStringLiteral("out"));
    QTemporaryDir root;
    QString out, temp, docs, work;
    TestHost host;

    // Writes a PDF of `pages` pages into the documents folder (sub-folders made as needed).
    QString pdf(const QString &name, int pages, const QSizeF &size = QSizeF(612, 792));
    QStringList gifs() const; // the output folder's GIF names, sorted
    QStringList tempEntries() const; // everything in TEMP: empty after a run
};

namespace TestFiles {
// Writes a PDF of `pages` pages, each showing "Page N" in large letters over a coloured band,
// through QPdfWriter. Needs a QGuiApplication.
void writePdf(const QString &path, int pages, const QSizeF &pointsSize = QSizeF(612, 792));
// Writes a JPEG page image (a colour gradient with a label).
void writeJpeg(const QString &path, int width = 400, int height = 300, const QString &label = QString());
// Writes `bytes` as a file.
void writeBytes(const QString &path, const QByteArray &bytes);
// Absolute path of the build's AppFolder (beside the test executables).
QString appFolder();
// Writes an executable shell script.
void writeScript(const QString &path, const QByteArray &body);
// The processes (as "pid name") whose working folder lies in `folder`: the scripts and the
// Ghostscript they start work in the run's WorkFolder inside TEMP.
QStringList processesWorkingIn(const QString &folder);
}

namespace TestImages {
// Peak signal-to-noise ratio over the red, green and blue of two pictures of one size, in dB:
// infinite for equal pictures, -1 for pictures of different sizes. Alpha is not compared.
double psnr(const QImage &a, const QImage &b);
// Page `page` (from 1) of `pdf` as the page renderer's poppler draws it at `dpi`, lossless, as
// 32-bit RGB; null when it cannot.
QImage popplerPage(const QString &pdf, int page, double dpi);
// Empty when the file `saved` is what a page drawn as `drawn` gives in `mimeType`: for a GIF the
// encoder's own GIF of that picture byte for byte (made again at `scratch`), for any other
// format exactly its pixels; otherwise what differs.
QString differenceFromDrawn(ImagingService &imaging, const QString &saved, const QImage &drawn, const QString &mimeType,
                            const QString &scratch);
}
