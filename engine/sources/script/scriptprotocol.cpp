#include "engine/sources/script/scriptprotocol.h"

namespace {

// A page number as the scripts write it; 0 for anything else.
int pageNumber(const QByteArray &word)
{
    bool ok = false;
    const int n = word.toInt(&ok);
    return ok && n > 0 ? n : 0;
}

Fault pageFailure(const QByteArray &kind)
{
    if (kind == "timecap")
        return Fault::TimeCap;
    if (kind == "memory")
        return Fault::MemoryCap;
    if (kind == "damaged")
        return Fault::Damaged;
    if (kind == "pagetree")
        return Fault::PageTree;
    if (kind == "nopixels")
        return Fault::NoPixels;
    if (kind == "toolarge")
        return Fault::TooLarge;
    if (kind == "nofit")
        return Fault::NoFit;
    return Fault::Crash;
}

Fault documentFailure(const QByteArray &kind)
{
    if (kind == "password")
        return Fault::NoPassword;
    if (kind == "wrongpassword")
        return Fault::WrongPassword;
    if (kind == "norange")
        return Fault::NoPageInRange;
    if (kind == "missingtool")
        return Fault::MissingTool;
    if (kind == "nospace")
        return Fault::ScratchFull;
    return Fault::Unreadable;
}

// A FILE is a bare name in the pages folder: no absolute path, no step out of it, and no
// sub-folder the program does not look in.
bool inFolder(const QByteArray &file, const QByteArray &folder)
{
    const QByteArray prefix = folder.isEmpty() ? QByteArray() : folder + '/';
    if (!file.startsWith(prefix))
        return false;
    const QByteArray name = file.mid(prefix.size());
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

} // namespace

bool ScriptEvents::planned(int page) const
{
    if (asked && !asked(page))
        return false;
    if (!listed.isEmpty())
        return listed.contains(page);
    return rangeAsked || count < 0 || page <= count;
}

void ScriptEvents::read(const QByteArray &line)
{
    if (breach != Fault::None)
        return;
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray &event = words.first();
    const int n = words.size() > 1 ? pageNumber(words[1]) : 0;
    const auto refuse = [&](Fault why, int page = 0) {
        breach = why;
        breachPage = page;
    };
    if (event == "page" && (words.size() == 3 || words.size() == 6) && n) {
        if (!inFolder(words[2], folder) || (words.size() == 6 && !inFolder(words[3], folder)))
            return refuse(Fault::NameOutside);
        if (!planned(n))
            return refuse(Fault::PageNotPlanned, n);
        const QString file = QString::fromUtf8(words[2]);
        Arrived page{n, file, {}, 0, 0};
        // Pixels said in any other way than whole are not the page's.
        bool bytesOk = false, sumOk = false;
        const qint64 bytes = words.size() == 6 ? words[4].toLongLong(&bytesOk) : 0;
        const quint64 sum = words.size() == 6 ? words[5].toULongLong(&sumOk, 16) : 0;
        if (bytesOk && sumOk && bytes > 0 && words[3] != words[2])
            page = {n, file, QString::fromUtf8(words[3]), bytes, sum};
        arrived.append(page);
        numberOf.insert(file, n);
    } else if ((event == "drawn" && words.size() == 2 && n) || (event == "failed" && words.size() == 3 && n)) {
        if (!planned(n))
            return refuse(Fault::PageNotPlanned, n);
        if (event == "failed")
            failedPages.insert(n, pageFailure(words[2]));
    } else if ((event == "count" || event == "pages") && !numberOf.isEmpty()) {
        // The plan comes before the first page: one said after would unplan pages taken.
        return refuse(Fault::UnknownLine);
    } else if (event == "count" && words.size() == 2 && (words[1] == "0" || pageNumber(words[1]))) {
        count = words[1].toInt();
    } else if (event == "pages") {
        pageList.clear();
        listed.clear();
        for (qsizetype i = 1; i < words.size(); ++i) {
            const int page = pageNumber(words[i]);
            if (!page)
                return refuse(Fault::UnknownLine);
            pageList << page;
            listed.insert(page);
        }
    } else if (event == "document" && words.size() >= 2) {
        document = documentFailure(words[1]);
        if (document == Fault::NoPageInRange && words.size() == 3)
            documentPages = words[2].toInt();
        for (qsizetype i = 2; document == Fault::MissingTool && i < words.size(); ++i)
            missingTools << QString::fromUtf8(words[i]);
    } else {
        return refuse(Fault::UnknownLine);
    }
    ++events;
}
