#include "engine/sources/script/scriptcauses.h"

#include "engine/base/pagechoice.h"
#include "engine/sources/script/scriptfiles.h"
#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

QString PageTreeText()
{
    return QCoreApplication::translate("Engine", "the document's page tree does not lead to it (the file is damaged)");
}

QString ScratchFullText(const QString &folder)
{
    return QCoreApplication::translate("Engine", "the scratch folder %1 is full: there is no room for the page images").arg(folder);
}

} // namespace

QString ScriptFailureText(Fault kind, const FailureFacts &facts, FailureScope scope)
{
    switch (kind) {
    case Fault::None:
        return QString();
    case Fault::MemoryCap:
        if (scope == FailureScope::ForFile)
            return QCoreApplication::translate("Engine", "the renderer reached %1 on page %2 of %3").arg(facts.limits.memoryCapText()).arg(facts.page).arg(facts.pdf);
        return QCoreApplication::translate("Engine", "%1 was reached").arg(facts.limits.memoryCapText());
    case Fault::TimeCap:
    case Fault::Crash:
    case Fault::Damaged:
    case Fault::PageTree:
    case Fault::NoPixels:
    case Fault::TooLarge:
    case Fault::NoFit: {
        const QString reason = kind == Fault::TimeCap ? QCoreApplication::translate("Engine", "%1 was reached").arg(facts.limits.timeCapText())
                               : kind == Fault::Crash ? QCoreApplication::translate("Engine", "Ghostscript ended while drawing it")
                               : kind == Fault::PageTree ? PageTreeText()
                               : kind == Fault::NoPixels
                                   ? QCoreApplication::translate("Engine", "at the resolution asked it would have no pixels. Choose a higher resolution")
                               : kind == Fault::TooLarge ? PageChoice::tooLargeText()
                               : kind == Fault::NoFit ? PageChoice::noFitText()
                                   : QCoreApplication::translate("Engine", "Ghostscript failed on its content");
        return scope == FailureScope::ForPage ? reason : QCoreApplication::translate("Engine", "page %1 could not be drawn: %2").arg(facts.page).arg(reason);
    }
    case Fault::NoPassword:
        return QCoreApplication::translate("Engine", "%1 is password-protected, and no password was given").arg(facts.pdf);
    case Fault::WrongPassword:
        return QCoreApplication::translate("Engine", "%1 is password-protected, and the password given does not open it").arg(facts.pdf);
    case Fault::NoPageInRange:
        return QCoreApplication::translate("Engine", "no page of %1 is in the page range %2: it has %3 page(s)")
            .arg(facts.pdf, facts.rangeText, QString::number(facts.documentPages));
    case Fault::Unreadable:
        return QCoreApplication::translate("Engine", "Ghostscript could not open %1: it is damaged or not a PDF").arg(facts.pdf);
    case Fault::MissingTool:
        return QCoreApplication::translate("Engine", "%1 could not be converted: %2 is not installed").arg(facts.pdf, facts.tools.join(QStringLiteral(", ")));
    case Fault::ScriptMissing:
        return QCoreApplication::translate("Engine", "the script %1 is missing: the program is not installed completely").arg(facts.script);
    case Fault::RendererFailed:
        return QCoreApplication::translate("Engine", "the renderer failed (exit status %1)").arg(facts.exitCode);
    case Fault::NoPage:
        return QCoreApplication::translate("Engine", "the renderer gave no page");
    case Fault::ScratchFull:
        return ScratchFullText(facts.scratch);
    case Fault::UnknownLine:
        return QCoreApplication::translate("Engine", "%1 could not be converted: its page script said something that is not an event").arg(facts.pdf);
    case Fault::PageNotPlanned:
        return QCoreApplication::translate("Engine", "%1 could not be converted: its page script gave page %2, which was not to be drawn").arg(facts.pdf).arg(facts.page);
    case Fault::NameOutside:
        return QCoreApplication::translate("Engine", "%1 could not be converted: its page script named a file outside its own folder").arg(facts.pdf);
    }
    return QString();
}

QString RendererWords(const QString &errors, const QString &pdf)
{
    // Ghostscript's report of an error ends with its stacks and state ("--dict:771/1123(ro)(G)--",
    // "Current allocation mode is local"): nothing a user can act on, and it would push out
    // the lines that say what failed.
    static const QRegularExpression dump(QStringLiteral("^--\\S+--(?: --\\S+--)*$|^Current (?:allocation mode|file position) "
                                                        "|^(?:Operand|Execution|Dictionary) stack:|^Last OS error:"));
    QStringList lines;
    for (const QString &line : errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (const QString l = line.simplified(); !l.isEmpty() && !dump.match(l).hasMatch())
            lines << l;
    QString words = lines.mid(std::max<qsizetype>(0, lines.size() - 3)).join(QStringLiteral("; "));
    // The scripts read the document under a name of their own; the user knows it by its own.
    words.replace(QStringLiteral("current.pdf"), FileNameOf(pdf));
    if (words.size() > 400)
        words = words.left(400) + QStringLiteral("...");
    return words;
}

QString ScriptFileCause(const ScriptOutcome &outcome, FailureFacts facts, QString *detail)
{
    const ScriptEvents &events = *outcome.events;
    if (outcome.inputMissing) {
        if (detail)
            *detail = outcome.inputProblem;
        return DocumentFaultText(Fault::Missing, facts.pdf);
    }
    if (!outcome.inputProblem.isEmpty())
        return outcome.inputProblem;
    // No room for the page images: whatever failed after that is its consequence.
    if (outcome.scratchFull || events.document == Fault::ScratchFull
        || std::find(events.failedPages.cbegin(), events.failedPages.cend(), Fault::ScratchFull) != events.failedPages.cend())
        return ScriptFailureText(Fault::ScratchFull, facts);
    QString cause;
    const auto memory = std::find(events.failedPages.cbegin(), events.failedPages.cend(), Fault::MemoryCap);
    if (memory != events.failedPages.cend()) {
        facts.page = memory.key();
        cause = ScriptFailureText(Fault::MemoryCap, facts);
    } else if (!outcome.stopped.isEmpty()) {
        return outcome.stopped;
    } else if (!outcome.missing.isEmpty()) {
        QStringList why;
        for (const int page : outcome.missing)
            if (const Fault kind = events.failedPages.value(page); kind != Fault::None && why.size() < 4) {
                facts.page = page;
                why << ScriptFailureText(kind, facts);
            }
        cause = QCoreApplication::translate("Engine", "page(s) %1 could not be rendered").arg(ScriptFiles::PageList(outcome.missing));
        if (!why.isEmpty())
            cause += QStringLiteral(": ") + why.join(QStringLiteral("; "));
    } else if (!outcome.gavePages && events.document != Fault::None) {
        facts.documentPages = events.documentPages;
        facts.tools = events.missingTools;
        cause = ScriptFailureText(events.document, facts);
        // The program's own words say all there is of a locked file or a page range.
        if (events.document == Fault::NoPassword || events.document == Fault::WrongPassword
            || events.document == Fault::NoPageInRange)
            return cause;
        // Ghostscript's English would follow a sentence in the user's language.
        if (events.document == Fault::Unreadable && detail) {
            *detail = RendererWords(outcome.errors, facts.pdf);
            return cause;
        }
    } else if (outcome.exitCode != 0) {
        facts.exitCode = outcome.exitCode;
        cause = ScriptFailureText(outcome.scriptThere ? Fault::RendererFailed : Fault::ScriptMissing, facts);
    } else if (!outcome.gavePages) {
        cause = ScriptFailureText(Fault::NoPage, facts);
    }
    // Ghostscript's own words are English: they go to the detail (--verbose, the run record),
    // never into the sentence in the user's language.
    if (const QString words = RendererWords(outcome.errors, facts.pdf); !cause.isEmpty() && !words.isEmpty()) {
        if (detail)
            *detail = words;
        else
            cause += QStringLiteral(": ") + words;
    }
    return cause;
}

