#pragma once

#include "engine/base/renderlimits.h"
#include "engine/sources/nextdocument.h"
#include "engine/base/runreport.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class PageFeed;
class PageRenderer;

// Stand-ins for Acrobat's automation objects, with the members the Acrobat method calls:
// the application ("AcroExch.app"), a document ("AcroExch.PDDoc") and the document's script
// object. Pages are rendered by lumenpage-render, a child process under the render limits.
// Members throw Failure with a description the user reads.

class AcroApp {
public:
    // Tells the application to quit; nothing of it outlives the call.
    void Exit() { m_exited = true; }
    bool exited() const { return m_exited; }

private:
    bool m_exited = false;
};

class AcroJSObject;

class AcroPDDoc {
public:
    // `whileWaiting`: see PageRenderer.
    explicit AcroPDDoc(RenderLimits limits = {}, std::function<void()> whileWaiting = {});
    ~AcroPDDoc();

    // Opens the PDF at `path`, closing any document opened before. False when it cannot be
    // opened: missing, not a PDF, damaged, or protected by a password.
    bool Open(const QString &path);

    // The open document's script object. Throws when no document is open.
    std::unique_ptr<AcroJSObject> GetJSObject();

    // Closes the document; its script object can no longer save. Closing twice is harmless.
    void Close();

    QString openError() const { return m_openError; }

    // Set before Open: the password the document is opened with, and a box every page is drawn
    // to fit (see PageRenderer::setPassword and setFitBox).
    bool HasPassword = false;
    QByteArray Password;
    QSize FitBox;
    // The run's slot for its next document (see GflAx::Ahead); null: none.
    NextDocument *Next = nullptr;

private:
    RenderLimits m_limits;
    std::function<void()> m_whileWaiting;
    std::shared_ptr<PageRenderer> m_document;
    QString m_path;
    QString m_openError;
};

class AcroJSObject {
public:
    // The one conversion this stand-in offers.
    static inline const QString JpegConversion = QStringLiteral("com.adobe.acrobat.jpeg");
    // Resolution of the page files: text stays readable, and a page stays well within GIF's
    // limits. Pages too large for it are written at the largest resolution that fits, down to
    // the lowest any method draws at (PageChoice::MinDpi).
    static constexpr double JpegDpi = 144.0;

    AcroJSObject(std::weak_ptr<PageRenderer> document, QString path);

    // With JpegConversion, writes every page as <target's base name>_Page_<n>.jpg in the
    // target's folder before returning (report.jpg gives report_Page_1.jpg, report_Page_2.jpg,
    // ...). Pages that fail do not stop the others; the failure then names them all.
    void SaveAs(const QString &target, const QString &conversionId);

    // The pages SaveAs writes: those `wanted` answers true for (every page when unset), at `dpi`.
    std::function<bool(int)> wanted;
    QString rangeText; // how the wanted pages were given, for the failure when none is in the document
    double dpi = JpegDpi;
    // A page too large at `dpi` is drawn at a lower one (its own resolution, JpegDpi), rather
    // than failed (one the user asked for: exactly that, or not at all).
    bool lowersToFit = true;
    // The run's next document (the document's NextDocument) follows at the same settings: its
    // first page is drawn while the last page here is.
    bool nextDocumentFollows = false;
    // Where each page file goes as soon as it is written, and each page that could not be
    // saved with its kind (see PageFeed); the pages SaveAs writes are announced to it first.
    // Null: the files stay in the target's folder.
    PageFeed *feed = nullptr;

private:
    std::weak_ptr<PageRenderer> m_document;
    QString m_path;
};
