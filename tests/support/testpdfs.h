#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The PDFs the tests need that a drawing library will not make: written byte by byte (a page
// too large for any buffer, millions of operators in a few kilobytes, a file that breaks off),
// or locked with a password. Only QtCore, so that the fuzz seed writer shares it too.
namespace TestPdfs {

// A file of these objects, numbered from 1, with its cross-reference table and a trailer whose
// root is object 1.
QByteArray fromObjects(const QList<QByteArray> &objects);

struct Page {
    QByteArray content;                      // the page's content stream
    QByteArray mediaBox = "[0 0 612 792]";
    QByteArray resources;                    // a /Resources dictionary; empty: none
    bool compressed = false;                 // Flate, so that huge streams stay small on disk
};

// A catalog (object 1), the page tree (2), then each page and its content.
QByteArray withPages(const QList<Page> &pages);

// A MediaBox of `width` by `height` points.
QByteArray box(qint64 width, qint64 height);

// Starts as a PDF, then breaks off: a catalog with no page tree and no cross-reference table.
QByteArray damaged();

// Writes a copy of `pdf` that opens only with `password`, through Ghostscript (128-bit RC4).
// False where Ghostscript is missing or fails; a test that needs one starts with
// LP_SKIP_WITHOUT("gs").
bool writeLocked(const QString &pdf, const QString &locked, const QString &password = QStringLiteral("user"));

// Writes a copy of `pdf` locked with 256-bit AES (user password `password`, owner password
// `owner`), through qpdf. False where qpdf is missing or fails; a test that needs one starts
// with LP_SKIP_WITHOUT("qpdf").
bool writeLockedAes256(const QString &pdf, const QString &locked, const QString &password,
                       const QString &owner = QStringLiteral("owner"));

} // namespace TestPdfs
