// "Add All PDF File(s) In Folder": the walk, its name rules and the order of the entries.

#include "tests/support/testwindow.h"
#include "tests/support/testsupport.h"
#include "inputlist/folderwalk.h"
#include "inputlist/inputfilelist.h"
#include "ui/form1.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Also keeps the preset text the input box was shown with.
class RecordingDialogs : public FakeDialogs {
public:
    QStringList presets;
    bool inputBox(const QString &prompt, const QString &title, QString &text) override
    {
        presets << text;
        return FakeDialogs::inputBox(prompt, title, text);
    }
};

struct Window {
    RecordingDialogs dialogs;
    TestWindow window{&dialogs};

    Form1 &open() { return window.open(); }
    QStringList addFolder(const QString &answer, const QString &folder)
    {
        window.form->ListView1->clearEntries();
        dialogs.inputs = {answer};
        dialogs.folders = {folder};
        window.form->PushButton4->click();
        return window.entries();
    }
};

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    TestFiles::writeBytes(path, "%PDF-1.4\n");
}

// Makes a folder whose name is given as raw bytes (which need not be valid UTF-8).
void mkdirBytes(const QString &parent, const QByteArray &name, const QByteArray &fileInside)
{
    const QByteArray path = QFile::encodeName(parent) + '/' + name;
    QVERIFY(::mkdir(path.constData(), 0755) == 0);
    QFile f(QFile::decodeName(path + '/' + fileInside));
    const QByteArray full = path + '/' + fileInside;
    FILE *out = ::fopen(full.constData(), "w");
    QVERIFY(out);
    ::fclose(out);
}

} // namespace

class TestFolderWalk : public QObject {
    Q_OBJECT

    QTemporaryDir m_tree;
    QString root;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        root = m_tree.filePath(QStringLiteral("Docs"));
        for (const char *n : {"a.pdf", "B.PDF", "notes.txt", "~skip.pdf", "report~.pdf", ".hidden.pdf",
                              "Alpha/a1.pdf", "Alpha/Inner/deep.pdf", "Alpha/Inner/~deep.pdf", "beta/b.pdf",
                              "beta/readme.txt", ".secret/s.pdf", "Ünïcode/ü.pdf", "bad?name/q.pdf",
                              "ctl\x01name/c.pdf", "empty/.keep"})
            touch(root + QLatin1Char('/') + QString::fromUtf8(n));
        mkdirBytes(root, QByteArray("latin\xe9", 6), "x.pdf");
        QVERIFY(QFile::link(root, root + QStringLiteral("/loop")));
        QVERIFY(QFile::link(root + QStringLiteral("/Alpha"), root + QStringLiteral("/zlink")));
        QVERIFY(QFile::link(root + QStringLiteral("/a.pdf"), root + QStringLiteral("/linked.pdf")));
    }

    void cleanupTestCase()
    {
        // QDir cannot name a folder that is not valid UTF-8; remove it by its bytes.
        const QByteArray latin = QFile::encodeName(root) + "/latin\xe9";
        ::unlink((latin + "/x.pdf").constData());
        ::rmdir(latin.constData());
    }

    void unusableNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("unusable");
        QTest::newRow("plain") << QByteArray("Reports 2024") << false;
        QTest::newRow("accents") << QString::fromUtf8("Übersicht café").toUtf8() << false;
        QTest::newRow("cjk") << QString::fromUtf8("日本語").toUtf8() << false;
        QTest::newRow("question mark") << QByteArray("Why?") << false;
        QTest::newRow("tab") << QByteArray("a\tb") << true;
        QTest::newRow("delete") << QByteArray("a\x7f") << true;
        QTest::newRow("C1 control") << QByteArray("a\xc2\x85") << true;
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9") << true;
        QTest::newRow("truncated sequence") << QByteArray("x\xe6\x97") << true;
    }
    void unusableNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, unusable);
        QCOMPARE(HasUnusableChars(name), unusable);
    }

    void collectSubfoldersLevelByLevel()
    {
        QTemporaryDir t;
        for (const char *n : {"B/f", "a/A1/f", "a/A1/x/f", "C/f"})
            touch(t.filePath(QString::fromLatin1(n)));
        const QString top = t.path() + QLatin1Char('/');
        FolderList list{top};
        int yields = 0;
        CollectSubfolders(list, true, [&] { ++yields; });
        QCOMPARE(list, QStringList({top, top + "a/", top + "B/", top + "C/", top + "a/A1/", top + "a/A1/x/"}));
        QVERIFY(yields >= 11); // once per folder of each pass, once per sub-folder found, once per appended folder
        FolderList flat{top};
        CollectSubfolders(flat, false);
        QCOMPARE(flat, QStringList({top, top + "a/", top + "B/", top + "C/"}));
    }

    void addFolderTree()
    {
        Window w;
        Form1 &f = w.open();
        bool waitDuringWalk = false;
        QTimer::singleShot(0, &f, [&] { waitDuringWalk = f.waitPointerShown(); });
        const QStringList pdf = w.addFolder(QStringLiteral("pdf"), root);
        QCOMPARE(w.dialogs.presets, QStringList{QStringLiteral("pdf")});
        QCOMPARE(w.dialogs.prompts, QStringList({QStringLiteral("Enter file extension to load:\r\r(* for all files, "
                                                                "txt for all txt files, doc for all doc files, etc.)"),
                                                 QStringLiteral("Please select folder:")}));
        QVERIFY(waitDuringWalk);
        QVERIFY(!f.waitPointerShown());
        QCOMPARE(pdf, QStringList({root + "/a.pdf", root + "/B.PDF", root + "/linked.pdf", root + "/report~.pdf",
                                   root + "/Alpha/a1.pdf", root + "/bad?name/q.pdf", root + "/beta/b.pdf",
                                   root + QString::fromUtf8("/Ünïcode/ü.pdf"), root + "/Alpha/Inner/deep.pdf"}));

        QCOMPARE(w.addFolder(QStringLiteral("PDF"), root), pdf);
        QCOMPARE(w.addFolder(QStringLiteral("txt"), root),
                 QStringList({root + "/notes.txt", root + "/beta/readme.txt"}));
        const QStringList all = w.addFolder(QStringLiteral("*"), root);
        QCOMPARE(all.size(), pdf.size() + 2);
        QVERIFY(all.contains(root + "/notes.txt"));
        QCOMPARE(w.addFolder(QStringLiteral("doc"), root), QStringList());

        // A folder the user chose is walked even when hidden or reached through a link.
        QCOMPARE(w.addFolder(QStringLiteral("pdf"), root + QStringLiteral("/.secret")),
                 QStringList{root + "/.secret/s.pdf"});
        QCOMPARE(w.addFolder(QStringLiteral("pdf"), root + QStringLiteral("/zlink/")),
                 QStringList({root + "/zlink/a1.pdf", root + "/zlink/Inner/deep.pdf"}));
        QCOMPARE(w.addFolder(QStringLiteral("pdf"), m_tree.filePath(QStringLiteral("not there"))), QStringList());
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    void cancelledAddsNothing()
    {
        Window w;
        Form1 &f = w.open();
        f.PushButton4->click(); // prompt cancelled
        w.dialogs.inputs = {QString()};
        f.PushButton4->click(); // empty answer
        QCOMPARE(w.dialogs.prompts.size(), 2);
        w.dialogs.inputs = {QStringLiteral("pdf")};
        f.PushButton4->click(); // picker cancelled
        QCOMPARE(w.dialogs.prompts.size(), 4);
        QCOMPARE(f.ListView1->count(), 0);
        QVERIFY(!f.waitPointerShown());
        QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    // Root reads every folder, so the walk runs in a child process as "nobody".
    void unreadableFolderIsSkippedSilently()
    {
        QTemporaryDir t;
        touch(t.filePath("ok/a.pdf"));
        touch(t.filePath("locked/inner/b.pdf"));
        touch(t.filePath("z.pdf"));
        QVERIFY(::chmod(QFile::encodeName(t.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(t.filePath("locked")).constData(), 0) == 0);
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            FolderList list{t.path() + QLatin1Char('/')};
            CollectSubfolders(list, true);
            const QByteArray out = FilesInFolders(list, QStringLiteral("*.pdf")).join(QLatin1Char('\n')).toUtf8();
            const bool written = ::write(fds[1], out.constData(), out.size()) == out.size();
            ::_exit(written ? 0 : 4);
        }
        ::close(fds[1]);
        QByteArray got;
        char buf[4096];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            got.append(buf, n);
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::chmod(QFile::encodeName(t.filePath("locked")).constData(), 0755);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(QString::fromUtf8(got), t.filePath("z.pdf") + QLatin1Char('\n') + t.filePath("ok/a.pdf"));
    }

};

QTEST_MAIN(TestFolderWalk)
#include "tst_inputlist_folderwalk.moc"
