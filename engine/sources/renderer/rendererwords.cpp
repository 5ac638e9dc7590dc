#include "engine/sources/renderer/rendererwords.h"

#include "engine/base/pagechoice.h"
#include "engine/sources/renderer/renderanswer.h"

#include <QCoreApplication>

// Why a document did not open, in the user's words where the renderer gave a kind the program
// names itself; else the renderer's words (a file it could not read, named by the system).
QString OpenFailureText(const RenderAnswer &answer, const QString &path)
{
    if (!answer.textIsOwnKind)
        return answer.text;
    switch (answer.fault) {
    case Fault::NoPassword:
        return QCoreApplication::translate("Engine", "%1 is password-protected, and no password was given").arg(path);
    case Fault::WrongPassword:
        return QCoreApplication::translate("Engine", "%1 is password-protected, and the password given does not open it").arg(path);
    default:
        return DocumentFaultText(answer.fault, path);
    }
}

QString PageFailureText(const RenderAnswer &answer, int page, const QString &path, int pageCount)
{
    // The renderer's own words are English: a page's failure is said in the program's.
    switch (answer.fault) {
    case Fault::PageTree:
        return QCoreApplication::translate("Engine", "Page %1 of %2 could not be drawn: the document's page tree does not lead to it (the file is damaged)")
            .arg(page).arg(path);
    // In the words the scripts' methods use for the same page.
    case Fault::TooLarge:
        return QCoreApplication::translate("Engine", "Page %1 of %2 could not be drawn: %3")
            .arg(page).arg(path, PageChoice::tooLargeText(answer.wouldBeWidth, answer.wouldBeHeight));
    case Fault::NoFit:
        return QCoreApplication::translate("Engine", "Page %1 of %2 could not be drawn: %3").arg(page).arg(path, PageChoice::noFitText());
    case Fault::OutsideDocument:
        return QCoreApplication::translate("Engine", "Page %1 is past the end of %2, which has %3 page(s)").arg(page).arg(path).arg(pageCount);
    case Fault::NoPixels:
        return QCoreApplication::translate("Engine", "Page %1 of %2 could not be drawn: %3")
            .arg(page)
            .arg(path, QCoreApplication::translate("Engine", "at the resolution asked it would have no pixels. Choose a higher resolution"));
    case Fault::Damaged:
        return QCoreApplication::translate("Engine", "Page %1 of %2 could not be drawn: %3")
            .arg(page)
            .arg(path, QCoreApplication::translate("Engine", "the page renderer could not draw its content"));
    default:
        return QCoreApplication::translate("Engine", "Page %1 of %2 could not be rendered: the page renderer answered \"%3\"")
            .arg(page).arg(path).arg(answer.text.left(200));
    }
}
