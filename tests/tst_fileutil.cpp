#include "support/testsupport.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"
#include "sys/wholefile.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
// Which call fails (0: none) for a descriptor of a file in g_failIn.
std::atomic<long> g_failing{0};
char g_failIn[4096];

bool failsHere(int fd, long call)
{
    if (g_failing.load() != call)
        return false;
    char link[40], target[4096] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    return ::readlink(link, target, sizeof target - 1) > 0 && std::strncmp(target, g_failIn, std::strlen(g_failIn)) == 0;
}
} // namespace

// This test's fsync() and close(), in place of the system's: while a row asks for it, the call
// for a file in its folder fails with EIO, as on a network or failing disk that reports a lost
// write only then (close releases the descriptor all the same). No local file system makes
// them fail otherwise.
extern "C" int fsync(int fd)
{
    if (failsHere(fd, SYS_fsync)) {
        errno = EIO;
        return -1;
    }
    return int(::syscall(SYS_fsync, fd));
}

extern "C" int close(int fd)
{
    const bool fail = failsHere(fd, SYS_close);
    const long closed = ::syscall(SYS_close, fd);
    if (fail && closed == 0) {
        errno = EIO;
        return -1;
    }
    return int(closed);
}

class TestFileUtil : public QObject {
    Q_OBJECT
private:
    static void touch(const QString &path) { TestFiles::writeBytes(path, "x"); }

private slots:
    void listFilesOrderAndMatching()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        for (const char *n : {"b.JPG", "A.jpg", "c.jpg", "a2.jpg", ".hidden.jpg", "x.jpeg", "noext"})
            touch(d + QLatin1Char('/') + QString::fromLatin1(n));
        QDir(d).mkdir(QStringLiteral("folder.jpg"));
        QFile::link(d + QStringLiteral("/c.jpg"), d + QStringLiteral("/link.jpg"));
        QFile::link(d + QStringLiteral("/gone"), d + QStringLiteral("/broken.jpg"));

        const QStringList expected{QStringLiteral(".hidden.jpg"), QStringLiteral("A.jpg"),
                                   QStringLiteral("a2.jpg"), QStringLiteral("b.JPG"),
                                   QStringLiteral("c.jpg"), QStringLiteral("link.jpg")};
        QCOMPARE(ListFiles(d, QStringLiteral("*.jpg")), expected);
        QCOMPARE(ListFiles(d + QLatin1Char('/'), QStringLiteral("*.JPG")), expected);
        QCOMPARE(ListFiles(d, QStringLiteral("?.jpg")),
                 (QStringList{QStringLiteral("A.jpg"), QStringLiteral("b.JPG"), QStringLiteral("c.jpg")}));
        QVERIFY(ListFiles(d, QStringLiteral("*.*")).contains(QStringLiteral("noext")));
        QVERIFY(!ListFiles(d, QStringLiteral("*.*")).contains(QStringLiteral("folder.jpg")));
        QVERIFY(ListFiles(d, QStringLiteral("*.gif")).isEmpty());
        QVERIFY(ListFiles(d + QStringLiteral("/missing"), QStringLiteral("*")).isEmpty());
    }

    void nameOrderIsCaseInsensitiveThenBytes()
    {
        QVERIFY(NameLess(QStringLiteral("apple"), QStringLiteral("Banana")));
        QVERIFY(NameLess(QStringLiteral("A"), QStringLiteral("a")));
        QVERIFY(!NameLess(QStringLiteral("a"), QStringLiteral("A")));
        QVERIFY(NameLess(QStringLiteral("current00009.jpg"), QStringLiteral("current00010.jpg")));
    }

    void pathPieces()
    {
        QCOMPARE(FileNameOf(QStringLiteral("/docs/report.pdf")), QStringLiteral("report.pdf"));
        QCOMPARE(FileNameOf(QStringLiteral("report.pdf")), QStringLiteral("report.pdf"));
        QCOMPARE(FileNameOf(QStringLiteral("/docs/")), QString());
        QCOMPARE(NameWithoutExtension(QStringLiteral("a.b.jpg")), QStringLiteral("a.b"));
        QCOMPARE(NameWithoutExtension(QStringLiteral("report-001.jpg")), QStringLiteral("report-001"));
        QVERIFY_THROWS_EXCEPTION(Failure, NameWithoutExtension(QStringLiteral("noext")));
        QCOMPARE(BaseNameOf(QStringLiteral("/x/my.report.final.pdf")), QStringLiteral("my"));
        QCOMPARE(BaseNameOf(QStringLiteral("/x/.pdf")), QString());
        QCOMPARE(BaseNameOf(QStringLiteral("/x.y/plain")), QStringLiteral("plain"));
    }

    void existenceTests()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/f.txt");
        touch(file);
        QVERIFY(IsExistingFolder(dir.path()) && !IsExistingFile(dir.path()));
        QVERIFY(IsExistingFile(file) && !IsExistingFolder(file));
        QVERIFY(PathExists(file) && PathExists(dir.path()));
        QVERIFY(!PathExists(dir.path() + QStringLiteral("/none")));
        QVERIFY(!IsExistingFile(dir.path() + QStringLiteral("/*.txt")));
        QVERIFY(!IsExistingFolder(QString()) && !IsExistingFile(QString()));
    }

    void deleteFilesQuietly()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        touch(d + QStringLiteral("/a.jpg"));
        touch(d + QStringLiteral("/B.JPG"));
        touch(d + QStringLiteral("/keep.gif"));
        DeleteFilesQuietly(d + QStringLiteral("/*.jpg"));
        QCOMPARE(QDir(d).entryList(QDir::Files), QStringList{QStringLiteral("keep.gif")});
        DeleteFilesQuietly(d + QStringLiteral("/*.none"));
        DeleteFilesQuietly(d + QStringLiteral("/missing/*.jpg"));
        DeleteFilesQuietly(d + QStringLiteral("/keep.gif"));
        QVERIFY(QDir(d).entryList(QDir::Files).isEmpty());
    }

    void killFolder()
    {
        QTemporaryDir dir;
        FakeDialogs dialogs;
        const QString target = dir.path() + QStringLiteral("/work");
        QDir().mkpath(target + QStringLiteral("/ps/deep"));
        touch(target + QStringLiteral("/ps/deep/~x.jpg"));
        QFile::setPermissions(target + QStringLiteral("/ps/deep/~x.jpg"), QFile::ReadOwner);
        KillFolder(dialogs, target + QLatin1Char('/'));
        QVERIFY(!PathExists(target));
        KillFolder(dialogs, target); // missing: nothing, no box
        QVERIFY(dialogs.boxes.isEmpty());
        QVERIFY(IsExistingFolder(dir.path()));
    }

    void tempFolderNeverAtRoot()
    {
        const QByteArray saved = qgetenv("TEMP");
        qunsetenv("TEMP");
        QCOMPARE(TempFolder(), QDir::tempPath());
        qputenv("TEMP", "");
        QCOMPARE(TempFolder(), QDir::tempPath());
        qputenv("TEMP", "/");
        QCOMPARE(TempFolder(), QDir::tempPath());
        qputenv("TEMP", "/var/tmp/");
        QCOMPARE(TempFolder(), QStringLiteral("/var/tmp"));
        qputenv("TEMP", "tmp/");
        QCOMPARE(TempFolder(), QDir::currentPath() + QStringLiteral("/tmp"));
        if (saved.isNull())
            qunsetenv("TEMP");
        else
            qputenv("TEMP", saved);
    }

    // New every time, owner only, never an existing name; a missing parent is a failure.
    void privateFolders()
    {
        QTemporaryDir dir;
        const QString a = CreatePrivateFolder(dir.path(), QStringLiteral("Lumenpage-"));
        const QString b = CreatePrivateFolder(dir.path(), QStringLiteral("Lumenpage-"));
        QVERIFY(a != b);
        for (const QString &f : {a, b}) {
            QVERIFY(f.startsWith(dir.path() + QStringLiteral("/Lumenpage-")));
            QCOMPARE(FileNameOf(f).size(), 16);
            QFileInfo info(f);
            QVERIFY(info.isDir() && !info.isSymLink());
            QCOMPARE(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                           | QFile::WriteOther | QFile::ExeOther),
                     QFileDevice::Permissions());
        }
        QVERIFY_THROWS_EXCEPTION(Failure, CreatePrivateFolder(dir.path() + QStringLiteral("/none"), QStringLiteral("x-")));
    }

    // Links inside are removed themselves; what they point to, inside or outside, stays. A
    // folder that is itself a link is left alone and reported.
    void removeTreeNeverFollowsLinks()
    {
        QTemporaryDir dir;
        const QString victim = dir.path() + QStringLiteral("/victim");
        QDir().mkpath(victim + QStringLiteral("/sub"));
        touch(victim + QStringLiteral("/a.jpg"));
        touch(victim + QStringLiteral("/sub/b.jpg"));
        const QString tree = dir.path() + QStringLiteral("/tree");
        QDir().mkpath(tree + QStringLiteral("/ro/deeper"));
        touch(tree + QStringLiteral("/ro/deeper/x.jpg"));
        QFile::setPermissions(tree + QStringLiteral("/ro"), QFile::ReadOwner | QFile::ExeOwner);
        QFile::link(victim, tree + QStringLiteral("/folder link"));
        QFile::link(victim + QStringLiteral("/a.jpg"), tree + QStringLiteral("/file link.jpg"));
        QFile::link(victim, tree + QStringLiteral("/ro/deeper/link"));

        const QString outside = dir.path() + QStringLiteral("/planted");
        QFile::link(victim, outside);
        QVERIFY_THROWS_EXCEPTION(Failure, RemoveTree(outside));
        QVERIFY_THROWS_EXCEPTION(Failure, RemoveTree(outside + QLatin1Char('/')));
        FakeDialogs dialogs;
        KillFolder(dialogs, outside + QLatin1Char('/'));
        QCOMPARE(dialogs.countTitled(QStringLiteral("Application Error")), 1);
        QVERIFY(dialogs.boxes[0].text.contains(QLatin1String("KillFolder at line 106")));
        QVERIFY(QFileInfo(outside).isSymLink());

        RemoveTree(tree + QLatin1Char('/'));
        QVERIFY(!QFileInfo::exists(tree));
        RemoveTree(tree); // gone: nothing to do
        QCOMPARE(QDir(victim).entryList(QDir::Files), QStringList{QStringLiteral("a.jpg")});
        QVERIFY(IsExistingFile(victim + QStringLiteral("/sub/b.jpg")));
        QVERIFY_THROWS_EXCEPTION(Failure, RemoveTree(QStringLiteral("/")));
    }

    // The scratch folder of a run that was killed goes with a later run, also when the removal
    // is cut short (here: too few descriptors for its deepest folders): it keeps its lock until
    // all else is gone, so the run after finds it again and finishes.
    void abandonedScratchFolderRemovedInTheEnd()
    {
        QTemporaryDir dir;
        const QString stale = CreatePrivateFolder(dir.path(), QStringLiteral("Lumenpage-"));
        QString deep = stale;
        for (int i = 0; i < 1000; ++i)
            deep += QStringLiteral("/d");
        QVERIFY(QDir().mkpath(deep));
        touch(deep + QStringLiteral("/page.jpg"));
        touch(stale + QStringLiteral("/current.pdf"));
        touch(stale + QLatin1Char('/') + QLatin1String(Interruption::ScratchLockName)); // nobody holds it
        int highest = 0;
        for (const QString &fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            highest = std::max(highest, fd.toInt());
        rlimit before{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &before), 0);
        {
            const auto restore = qScopeGuard([&] { ::setrlimit(RLIMIT_NOFILE, &before); });
            rlimit few = before;
            few.rlim_cur = rlim_t(highest + 8);
            QCOMPARE(::setrlimit(RLIMIT_NOFILE, &few), 0);
            Interruption::RemoveAbandonedScratchFolders(dir.path(), QStringLiteral("Lumenpage-"));
        }
        QVERIFY(QFileInfo::exists(deep));
        QVERIFY(!QFileInfo::exists(stale + QStringLiteral("/current.pdf")));
        QVERIFY(QFileInfo::exists(stale + QLatin1Char('/') + QLatin1String(Interruption::ScratchLockName)));
        Interruption::RemoveAbandonedScratchFolders(dir.path(), QStringLiteral("Lumenpage-"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    // A file is replaced whole or not at all, and a name that is a link is replaced by a file of
    // its own: what the link points to is never opened, whether it is there or not.
    void replaceFileWhole_data()
    {
        QTest::addColumn<QString>("at"); // what the name is before: file, link, dangling link, folder
        QTest::addColumn<long>("fails"); // SYS_write: the write fails half-way (a full disk); SYS_fsync, SYS_close
        QTest::newRow("earlier file") << "file" << 0L;
        QTest::newRow("link to a file") << "link" << 0L;
        QTest::newRow("dangling link") << "dangling" << 0L;
        QTest::newRow("folder") << "folder" << 0L;
        QTest::newRow("write fails half-way") << "file" << long(SYS_write);
        QTest::newRow("sync fails") << "file" << long(SYS_fsync);
        QTest::newRow("close fails") << "link" << long(SYS_close);
    }
    void replaceFileWhole()
    {
        QFETCH(QString, at);
        QFETCH(long, fails);
        const bool tooLarge = fails == SYS_write;
        QTemporaryDir dir;
        const QString target = dir.path() + QStringLiteral("/target"), name = dir.path() + QStringLiteral("/doc-001.gif");
        TestFiles::writeBytes(target, "precious");
        if (at == QLatin1String("file"))
            TestFiles::writeBytes(name, "earlier");
        else if (at == QLatin1String("link"))
            QVERIFY(QFile::link(target, name));
        else if (at == QLatin1String("dangling"))
            QVERIFY(QFile::link(dir.path() + QStringLiteral("/nowhere"), name));
        else
            QVERIFY(QDir().mkpath(name));
        const QByteArray bytes(200000, 'g');
        QString error;
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (tooLarge) {
            const rlimit small{100000, old.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        std::strncpy(g_failIn, QFile::encodeName(QFileInfo(dir.path()).canonicalFilePath() + QLatin1Char('/')).constData(),
                     sizeof g_failIn - 1);
        g_failing = fails;
        try {
            ReplaceFileWhole(name, bytes, fails == SYS_fsync);
        } catch (const Failure &f) {
            error = f.description();
        }
        g_failing = 0;
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QFile t(target);
        QVERIFY(t.open(QIODevice::ReadOnly));
        QCOMPARE(t.readAll(), QByteArray("precious"));
        QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/nowhere")));
        const QStringList expected{QStringLiteral("doc-001.gif"), QStringLiteral("target")};
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), expected);
        if (at == QLatin1String("folder") || fails) {
            QVERIFY2(error == QLatin1String(tooLarge ? "File too large" : fails ? "Input/output error" : "Is a directory"),
                     qPrintable(error));
            if (fails) {
                QFile kept(name);
                QVERIFY(kept.open(QIODevice::ReadOnly));
                QCOMPARE(kept.readAll(), QByteArray(at == QLatin1String("file") ? "earlier" : "precious"));
                QCOMPARE(QFileInfo(name).isSymLink(), at == QLatin1String("link"));
            }
            return;
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!QFileInfo(name).isSymLink());
        QFile written(name);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), bytes);
    }

    // A FIFO or a device at the name is never replaced, whoever writes (root may write to
    // /dev/null): not when it is there before, nor when it is put there while the file is
    // written; nothing is left beside it.
    void specialNodesAreNeverReplaced_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<bool>("meanwhile"); // put there after the file was begun
        QTest::newRow("FIFO") << "fifo" << false;
        QTest::newRow("FIFO put there meanwhile") << "fifo" << true;
        QTest::newRow("character device (root)") << "device" << false;
        QTest::newRow("character device put there meanwhile (root)") << "device" << true;
    }
    void specialNodesAreNeverReplaced()
    {
        QFETCH(QString, node);
        QFETCH(bool, meanwhile);
        if (node == QLatin1String("device") && ::geteuid() != 0)
            QSKIP("mknod of a character device needs root");
        QTemporaryDir dir;
        const QString name = dir.path() + QStringLiteral("/doc-001.gif");
        const QByteArray path = QFile::encodeName(name);
        const auto make = [&] {
            return node == QLatin1String("fifo") ? ::mkfifo(path.constData(), 0644) : ::mknod(path.constData(), S_IFCHR | 0644, makedev(1, 3));
        };
        QString error;
        try {
            if (meanwhile) {
                WholeFile file(name);
                file.write("GIF89a");
                QCOMPARE(make(), 0);
                file.commit();
            } else {
                QCOMPARE(make(), 0);
                ReplaceFileWhole(name, "GIF89a");
            }
        } catch (const Failure &f) {
            error = f.description();
        }
        QVERIFY2(error.contains(node == QLatin1String("fifo") ? QLatin1String("a FIFO") : QLatin1String("a character device")),
                 qPrintable(error));
        struct stat st {};
        QCOMPARE(::lstat(path.constData(), &st), 0);
        QVERIFY(node == QLatin1String("fifo") ? S_ISFIFO(st.st_mode) : (S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("doc-001.gif")});
    }

    // Why a document cannot be read, in plain words, and a name as a shell shows it: one line,
    // pasteable, whatever bytes it holds.
    void inputProblemsAndVisibleNames()
    {
        QTemporaryDir dir;
        const QString fifo = dir.path() + QStringLiteral("/pipe.pdf");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        touch(dir.path() + QStringLiteral("/good.pdf"));
        QCOMPARE(InputFileProblem(dir.path() + QStringLiteral("/good.pdf")), QString());
        QCOMPARE(InputFileProblem(dir.path() + QStringLiteral("/gone.pdf")), QStringLiteral("No such file or directory"));
        QVERIFY(InputFileProblem(dir.path()).contains(QLatin1String("folder")));
        QVERIFY(InputFileProblem(fifo).contains(QLatin1String("not a regular file")));
        QVERIFY(InputFileProblem(dir.path() + QStringLiteral("/caf\uFFFD.pdf")).contains(QLatin1String("not valid UTF-8")));

        QCOMPARE(ShellVisibleName("report 2024.pdf"), QStringLiteral("report 2024.pdf"));
        QCOMPARE(ShellVisibleName("r\xc3\xa9sum\xc3\xa9.pdf"), QStringLiteral("r\u00e9sum\u00e9.pdf"));
        QCOMPARE(ShellVisibleName("caf\xe9.pdf"), QStringLiteral("$'caf\\351.pdf'"));
        QCOMPARE(ShellVisibleName("two\nlines'.pdf"), QStringLiteral("$'two\\nlines\\'.pdf'"));
    }

    // The default output folder: one separator at the end, and there to be written to even on
    // a machine where no desktop session has made it yet.
    void desktopFolder()
    {
        QTemporaryDir home;
        const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
        const QString desktop = GetDesktopFolder();
        qputenv("HOME", savedHome);
        if (savedConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", savedConfig);
        QCOMPARE(desktop, home.path() + QStringLiteral("/Desktop/"));
        QVERIFY(IsExistingFolder(desktop));
    }

    void copyFolderReplacesAndKeepsModes()
    {
        QTemporaryDir dir;
        const QString src = dir.path() + QStringLiteral("/src"), dst = dir.path() + QStringLiteral("/dst");
        QDir().mkpath(src + QStringLiteral("/sub"));
        TestFiles::writeScript(src + QStringLiteral("/run.sh"), "exit 0\n");
        TestFiles::writeBytes(src + QStringLiteral("/sub/a.txt"), "new");
        QDir().mkpath(dst + QStringLiteral("/sub"));
        TestFiles::writeBytes(dst + QStringLiteral("/sub/a.txt"), "old and longer");
        CopyFolder(src, dst);
        QFile f(dst + QStringLiteral("/sub/a.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("new"));
        QVERIFY(QFileInfo(dst + QStringLiteral("/run.sh")).isExecutable());
        QVERIFY_THROWS_EXCEPTION(Failure, CopyFolder(dir.path() + QStringLiteral("/none"), dst));
    }
};

QTEST_GUILESS_MAIN(TestFileUtil)
#include "tst_fileutil.moc"
