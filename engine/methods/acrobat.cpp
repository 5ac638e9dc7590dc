#include "engine/methods/acrobat.h"

#include "engine/sources/renderer/pagerenderer.h"

#include "sys/errortrap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>


AcroPDDoc::AcroPDDoc(RenderLimits limits, std::function<void()> whileWaiting)
    : m_limits(limits), m_whileWaiting(std::move(whileWaiting))
{
}
AcroPDDoc::~AcroPDDoc() = default;

bool AcroPDDoc::Open(const QString &path)
{
    Close();
    m_openError.clear();
    auto document = std::make_shared<PageRenderer>(path, m_limits, m_whileWaiting);
    if (HasPassword)
        document->setPassword(Password);
    document->setFitBox(FitBox);
    document->setNextDocument(Next);
    try {
        document->pageCount();
    } catch (const Failure &f) {
        m_openError = f.description();
        return false;
    }
    m_document = std::move(document);
    m_path = path;
    return true;
}

std::unique_ptr<AcroJSObject> AcroPDDoc::GetJSObject()
{
    if (!m_document)
        throw Failure(QCoreApplication::translate("Engine", "No document is open: there is no script object to get"));
    return std::make_unique<AcroJSObject>(m_document, m_path);
}

void AcroPDDoc::Close()
{
    m_document.reset();
    m_path.clear();
}

AcroJSObject::AcroJSObject(std::weak_ptr<PageRenderer> document, QString path)
    : m_document(std::move(document)), m_path(std::move(path))
{
}

void AcroJSObject::SaveAs(const QString &target, const QString &conversionId)
{
    if (conversionId != JpegConversion)
        throw Failure(QCoreApplication::translate("Engine", "Cannot save %1 as \"%2\": the only conversion available is \"%3\"")
                          .arg(m_path, conversionId, JpegConversion));
    const std::shared_ptr<PageRenderer> document = m_document.lock();
    if (!document)
        throw Failure(QCoreApplication::translate("Engine", "Cannot save %1: the document has been closed").arg(m_path));

    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.path();
    if (!QFileInfo(folder).isDir())
        throw Failure(QCoreApplication::translate("Engine", "Cannot save %1: the folder %2 does not exist").arg(m_path, folder));
    const QString stem = folder + QLatin1Char('/') + targetInfo.completeBaseName() + QStringLiteral("_Page_");

    const int pageCount = document->pageCount();
    QList<int> pages;
    for (int page = 1; page <= pageCount; ++page)
        if (!wanted || wanted(page))
            pages << page;
    if (pages.isEmpty() && pageCount > 0)
        throw Failure(QCoreApplication::translate("Engine", "no page of %1 is in the page range %2: it has %3 page(s)")
                          .arg(m_path, rangeText).arg(pageCount));
    // The next page is drawn on the other core while this one is written.
    document->plan(pages, nextDocumentFollows && (!wanted || wanted(1)));
    document->keepPixelsIn(feed ? feed->pixelFolder() : QString());
    document->setPageFiles([stem](int page) { return stem + QString::number(page) + QStringLiteral(".jpg"); }, dpi, lowersToFit);
    PageFeed ownFeed(nullptr, folder, [](int) { return QString(); });
    PageFeed &to = feed ? *feed : ownFeed;
    to.drive(*document);
    const QList<PageFailure> &failures = to.failed();
    if (!failures.isEmpty()) {
        QStringList failed;
        for (const PageFailure &failure : failures)
            failed << QString::number(failure.page);
        throw Failure(QCoreApplication::translate("Engine", "%1 of the %2 page(s) of %3 could not be saved (page %4): %5")
                          .arg(failed.size()).arg(pages.size()).arg(m_path)
                          .arg(failed.size() > 10 ? failed.mid(0, 10).join(QStringLiteral(", ")) + QStringLiteral(", ...")
                                                  : failed.join(QStringLiteral(", ")))
                          .arg(failures.first().reason));
    }
    if (pageCount == 0)
        throw Failure(QCoreApplication::translate("Engine", "%1 has no pages to save").arg(m_path));
}
