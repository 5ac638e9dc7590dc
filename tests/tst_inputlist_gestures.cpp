// The input list in the window: its gestures, the file dialog, the samples and drops.

#include "tests/support/testwindow.h"
#include "tests/support/testsupport.h"
#include "inputlist/adders.h"
#include "inputlist/inputfilelist.h"
#include "sys/errortrap.h"
#include "ui/form1.h"

#include <QDesktopServices>
#include <QDir>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

using Window = TestWindow;

void pressKey(InputFileList *list, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(list, key, mods);
}

void select(InputFileList *list, int position)
{
    list->setCurrentItem(list->topLevelItem(position - 1));
}

QMimeData *fileList(const QStringList &paths)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data->setUrls(urls);
    return data;
}

// Sends a drag over the list and, when it is accepted, the drop; answers whether it was accepted.
bool dragAndDrop(InputFileList *list, QMimeData *data)
{
    std::unique_ptr<QMimeData> owner(data);
    QWidget *target = list->viewport();
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    const bool accepted = move.isAccepted();
    // Dropped in any case: a refused drag must add nothing even if its data arrives.
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return accepted;
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

class TestGestures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void appendCountEntryAt()
    {
        InputFileList list;
        QCOMPARE(list.count(), 0);
        list.append(QStringLiteral("/a/x.pdf"));
        list.append(QStringLiteral("/a/x.pdf"));
        list.append(QStringLiteral("/b/notes.txt"));
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.entryAt(1), QStringLiteral("/a/x.pdf"));
        QCOMPARE(list.entryAt(3), QStringLiteral("/b/notes.txt"));
        for (int bad : {0, 4, -1}) {
            try {
                list.entryAt(bad);
                QFAIL("a position outside the list must fail");
            } catch (const Failure &f) {
                QCOMPARE(f.code(), ErrorCode::IndexOutOfBounds);
            }
        }
    }

    void deleteAndDoubleClickRemoveTheSelectedEntry()
    {
        Window w;
        Form1 &f = w.open();
        InputFileList *list = f.ListView1;
        pressKey(list, Qt::Key_Delete); // empty list: nothing happens
        for (const char *p : {"/d/1.pdf", "/d/2.pdf", "/d/3.pdf", "/d/4.pdf", "/d/5.pdf", "/d/2.pdf"})
            list->append(QString::fromLatin1(p));
        list->setFocus();

        select(list, 2);
        pressKey(list, Qt::Key_Delete);
        QCOMPARE(w.entries(), QStringList({"/d/1.pdf", "/d/3.pdf", "/d/4.pdf", "/d/5.pdf", "/d/2.pdf"}));
        select(list, 1);
        pressKey(list, Qt::Key_Delete, Qt::ControlModifier);
        select(list, 1);
        pressKey(list, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(w.entries(), QStringList({"/d/4.pdf", "/d/5.pdf", "/d/2.pdf"}));
        // Other keys are the list's own: Down moves the selection, removes nothing.
        pressKey(list, Qt::Key_Down);
        QCOMPARE(list->count(), 3);

        // While the WaitPointer shows, neither gesture acts; afterwards the same key does.
        select(list, 2);
        f.setWaitPointer(true);
        pressKey(list, Qt::Key_Delete);
        const QRect row = list->visualItemRect(list->topLevelItem(1));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
        QCOMPARE(list->count(), 3);
        f.setWaitPointer(false);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
        QCOMPARE(w.entries(), QStringList({"/d/4.pdf", "/d/2.pdf"}));
        // Nothing selected: nothing goes.
        list->clearSelection();
        pressKey(list, Qt::Key_Delete);
        QCOMPARE(list->count(), 2);

        f.PushButton5->click();
        QCOMPARE(list->count(), 0);
        f.PushButton5->click();
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("PDF File(s)"));
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    void fileDialog()
    {
        Window w;
        Form1 &f = w.open();
        f.PushButton1->click(); // cancelled
        QCOMPARE(w.dialogs.prompts.last(), QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(f.ListView1->count(), 0);

        w.dialogs.fileLists = {
            {QStringLiteral("/Docs/only one.pdf")},
            {QStringLiteral("/Docs/c.pdf"), QStringLiteral("/Docs/~a.pdf"), QStringLiteral("/Docs/b.pdf")},
            {QStringLiteral("/a.pdf"), QStringLiteral("/b.pdf")},
            {QStringLiteral("/Docs/only one.pdf")},
        };
        for (int i = 0; i < 4; ++i)
            f.PushButton1->click();
        QCOMPARE(w.entries(), QStringList({"/Docs/only one.pdf", "/Docs/c.pdf", "/Docs/~a.pdf",
                                           "/Docs/b.pdf", "/a.pdf", "/b.pdf", "/Docs/only one.pdf"}));
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    void fileDialogWithTooManyFiles()
    {
        Window w;
        Form1 &f = w.open();
        QStringList many;
        const QString folder = QStringLiteral("/home/user/Documents/Scans");
        for (int i = 0; many.isEmpty() || FileDialogResultLength(many) <= FileDialogResultLimit; ++i)
            many << folder + QStringLiteral("/scan of the week number %1.pdf").arg(i, 5, 10, QLatin1Char('0'));
        QStringList fits = many.mid(0, many.size() - 1);
        QVERIFY(FileDialogResultLength(fits) <= FileDialogResultLimit);
        w.dialogs.fileLists = {many, fits};
        f.PushButton1->click();
        QCOMPARE(f.ListView1->count(), 0);
        QCOMPARE(w.dialogs.boxes.size(), 1);
        QCOMPARE(w.dialogs.boxes[0].text,
                 QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button."));
        QCOMPARE(w.dialogs.boxes[0].title, QStringLiteral("Lumenpage"));
        QCOMPARE(w.dialogs.boxes[0].icon, Dialogs::Icon::None);
        QCOMPARE(w.dialogs.countTitled(QStringLiteral("Application Error")), 0);
        f.PushButton1->click();
        QCOMPARE(f.ListView1->count(), fits.size());
        // The length counts the folder once, then each name with its separator.
        QCOMPARE(FileDialogResultLength({QStringLiteral("/d/a.pdf"), QStringLiteral("/d/bb.pdf")}), 2 + 6 + 7);
    }

    void sampleFiles()
    {
        QTemporaryDir app;
        const QString samples = app.filePath(QStringLiteral("Samples"));
        QDir().mkpath(samples + QStringLiteral("/sub"));
        for (const char *n : {"b.pdf", "~tilde.pdf", "A.pdf", "readme.txt", "sub/inner.pdf"})
            TestFiles::writeBytes(samples + QLatin1Char('/') + QString::fromLatin1(n), "x");
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");

        Window w;
        Form1 &f = w.open(app.path());
        w.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
        f.PushButton6->click();
        const QStringList once{samples + "/A.pdf", samples + "/b.pdf", samples + "/readme.txt", samples + "/~tilde.pdf"};
        QCOMPARE(w.entries(), once);
        QCOMPARE(w.dialogs.boxes.size(), 1);
        QCOMPARE(w.dialogs.boxes[0].text,
                 QStringLiteral("Would you like this software to open the folder where these sample files are "
                                "stored (so that you can view them before working with them)?"));
        QCOMPARE(w.dialogs.boxes[0].buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(w.dialogs.boxes[0].title, QStringLiteral("Lumenpage"));
        QVERIFY(recorder.opened.isEmpty());
        f.PushButton6->click();
        QCOMPARE(w.entries(), once + once);
        QCOMPARE(recorder.opened, QList<QUrl>{QUrl::fromLocalFile(samples + QLatin1Char('/'))});

        // No Samples folder: nothing added, the question still comes, no error.
        QTemporaryDir empty;
        Window e;
        Form1 &g = e.open(empty.path());
        g.PushButton6->click();
        QCOMPARE(g.ListView1->count(), 0);
        QCOMPARE(e.dialogs.boxes.size(), 1);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void shippedSamplesAreSmallPdfFiles()
    {
        const QStringList names = QDir(TestFiles::appFolder() + QStringLiteral("/Samples")).entryList(QDir::Files);
        QVERIFY(names.size() >= 2);
        qint64 total = 0;
        for (const QString &n : names) {
            QFile file(TestFiles::appFolder() + QStringLiteral("/Samples/") + n);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.read(5) == "%PDF-", qPrintable(n));
            total += file.size();
        }
        QVERIFY(total < 300 * 1024);
    }

    void drops()
    {
        QTemporaryDir tree;
        const QString a = tree.filePath(QStringLiteral("A"));
        const QString b = tree.filePath(QStringLiteral("B"));
        QDir().mkpath(a + QStringLiteral("/deep"));
        QDir().mkpath(a + QStringLiteral("/.hidden"));
        QDir().mkpath(b);
        for (const char *n : {"A/z.pdf", "A/notes.txt", "A/~skip.pdf", "A/.dotfile", "A/deep/d.doc",
                              "A/.hidden/h.pdf", "B/b.pdf", "loose.pdf", "~tilde.pdf", "plain.txt"})
            TestFiles::writeBytes(tree.filePath(QString::fromLatin1(n)), "x");
        Window w;
        Form1 &f = w.open();
        InputFileList *list = f.ListView1;

        // Plain text is no file list: refused, nothing added.
        auto *text = new QMimeData;
        text->setText(tree.filePath(QStringLiteral("loose.pdf")));
        QVERIFY(!dragAndDrop(list, text));
        auto *web = new QMimeData;
        web->setUrls({QUrl(QStringLiteral("https://example.org/a.pdf"))});
        QVERIFY(!dragAndDrop(list, web));
        QCOMPARE(list->count(), 0);

        // Files as dropped (no filter, "~" kept, missing paths kept); folders walked in drop order.
        const QString missing = tree.filePath(QStringLiteral("gone.pdf"));
        QVERIFY(dragAndDrop(list, fileList({tree.filePath("plain.txt"), tree.filePath("~tilde.pdf"), missing})));
        QVERIFY(dragAndDrop(list, fileList({b, a, tree.filePath("loose.pdf")})));
        QVERIFY(dragAndDrop(list, fileList({tree.filePath("loose.pdf")})));
        QCOMPARE(w.entries(), QStringList({tree.filePath("plain.txt"), tree.filePath("~tilde.pdf"), missing,
                                           b + "/b.pdf",
                                           a + "/notes.txt", a + "/z.pdf", a + "/deep/d.doc",
                                           tree.filePath("loose.pdf"), tree.filePath("loose.pdf")}));
        // Drops are not refused while the WaitPointer shows.
        f.setWaitPointer(true);
        QVERIFY(dragAndDrop(list, fileList({tree.filePath("plain.txt")})));
        QCOMPARE(list->count(), 10);
        QVERIFY(w.dialogs.boxes.isEmpty());
    }
};

QTEST_MAIN(TestGestures)
#include "tst_inputlist_gestures.moc"
