// The window as a desktop program: files handed over on its command line, and how it starts
// from a console.

#include "tests/support/testsupport.h"
#include "inputlist/inputfilelist.h"
#include "ui/commandline.h"
#include "ui/form1.h"

#include <QDir>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

struct Window {
    QTemporaryDir dir;
    FakeDialogs dialogs;
    std::unique_ptr<Form1> form;

    Form1 &open()
    {
        Form1Options options;
        options.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        options.unload = [] {};
        form = std::make_unique<Form1>(dialogs, options);
        return *form;
    }
    QStringList entries() const { return form->ListView1->entries(); }
};

void drop(InputFileList *list, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &dropped);
}

struct Result {
    int code = -1;
    QString out, err;
};

// The real program, started as from a console without any display.
Result lumenpage(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.start(TestFiles::appFolder() + QStringLiteral("/lumenpage"), args);
    if (!p.waitForFinished(30000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // What a file manager's "Open With" hands over ends up in the list as a drop of the same
    // files and folders would put it there.
    void commandLineFilesAreListedAsADropWould()
    {
        QTemporaryDir tree;
        const QString root = tree.path();
        QVERIFY(QDir().mkpath(root + QStringLiteral("/docs/sub")));
        for (const QString &name : {QStringLiteral("docs/a.pdf"), QStringLiteral("docs/~lock.pdf"),
                                   QStringLiteral("docs/notes.txt"), QStringLiteral("docs/sub/b.pdf"),
                                   QStringLiteral("two words.pdf"), QStringLiteral("~own.pdf")})
            TestFiles::writeBytes(root + QLatin1Char('/') + name, "%PDF-1.4\n");

        const QStringList names = {QStringLiteral("two words.pdf"), QStringLiteral("docs/"),
                                   QUrl::fromLocalFile(root + QStringLiteral("/~own.pdf")).toString(),
                                   QStringLiteral("./docs/../missing.pdf")};
        const QStringList paths = CommandLinePaths(names, root);
        QCOMPARE(paths, (QStringList{root + QStringLiteral("/two words.pdf"), root + QStringLiteral("/docs"),
                                     root + QStringLiteral("/~own.pdf"), root + QStringLiteral("/missing.pdf")}));
        // Addresses of other machines are not files to convert; empty names are no names.
        QCOMPARE(CommandLinePaths({QStringLiteral("https://example.org/a.pdf"), QString()}, root), QStringList());

        Window fromCommandLine;
        fromCommandLine.open().ListView1_OLEDragDrop(paths);
        Window dropped;
        drop(dropped.open().ListView1, paths);
        QCOMPARE(fromCommandLine.entries(), dropped.entries());
        QCOMPARE(fromCommandLine.entries(),
                 (QStringList{root + QStringLiteral("/two words.pdf"), root + QStringLiteral("/docs/a.pdf"),
                              root + QStringLiteral("/docs/notes.txt"), root + QStringLiteral("/docs/sub/b.pdf"),
                              root + QStringLiteral("/~own.pdf"), root + QStringLiteral("/missing.pdf")}));

        // With nothing named the list starts empty.
        Window plain;
        plain.open().ListView1_OLEDragDrop(CommandLinePaths({}, root));
        QCOMPARE(plain.entries(), QStringList());
    }

    // Help and version are answered without a display, under the program's name.
    void helpAndVersionWithoutDisplay()
    {
        Result r = lumenpage({QStringLiteral("--version")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Lumenpage " LUMENPAGE_VERSION "\n"));
        r = lumenpage({QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("Usage: lumenpage [options] [FILE...]\n")), qPrintable(r.out));
        r = lumenpage({QStringLiteral("--help-all")});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("Usage: lumenpage ")));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_ui_desktop.moc"
