#include "tests/support/testpdfs.h"

#include <QFileInfo>
#include <QProcess>

namespace TestPdfs {

QByteArray fromObjects(const QList<QByteArray> &objects)
{
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype o : offsets)
        out += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
           + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray withPages(const QList<Page> &pages)
{
    const int n = int(pages.size());
    QByteArray kids;
    for (int i = 0; i < n; ++i)
        kids += QByteArray::number(3 + 2 * i) + " 0 R ";
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>",
                              "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(n) + " >>"};
    for (int i = 0; i < n; ++i) {
        const Page &page = pages[i];
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox " + page.mediaBox
                       + (page.resources.isEmpty() ? QByteArray() : " /Resources " + page.resources) + " /Contents "
                       + QByteArray::number(4 + 2 * i) + " 0 R >>";
        // Without the length prefix qCompress puts in front of the zlib stream.
        const QByteArray body = page.compressed ? qCompress(page.content, 9).mid(4) : page.content;
        objects << "<< /Length " + QByteArray::number(body.size()) + (page.compressed ? " /Filter /FlateDecode" : "")
                       + " >>\nstream\n" + body + "\nendstream";
    }
    return fromObjects(objects);
}

QByteArray box(qint64 width, qint64 height)
{
    return "[0 0 " + QByteArray::number(width) + ' ' + QByteArray::number(height) + ']';
}

QByteArray damaged()
{
    return "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ngarbage\n";
}

bool writeLocked(const QString &pdf, const QString &locked, const QString &password)
{
    QProcess gs;
    gs.start(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                                    QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=pdfwrite"),
                                    QStringLiteral("-sOwnerPassword=owner"), QStringLiteral("-sUserPassword=") + password,
                                    QStringLiteral("-dEncryptionR=3"), QStringLiteral("-dKeyLength=128"),
                                    QStringLiteral("-sOutputFile=") + locked, pdf});
    return gs.waitForFinished(60000) && gs.exitStatus() == QProcess::NormalExit && gs.exitCode() == 0
           && QFileInfo(locked).size() > 0;
}

bool writeLockedAes256(const QString &pdf, const QString &locked, const QString &password, const QString &owner)
{
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--encrypt"), password, owner, QStringLiteral("256"),
                                        QStringLiteral("--"), pdf, locked});
    return qpdf.waitForFinished(60000) && qpdf.exitStatus() == QProcess::NormalExit && qpdf.exitCode() == 0
           && QFileInfo(locked).size() > 0;
}

} // namespace TestPdfs
