// lumenpage-batch as a Unix tool: its options, messages, progress and exit statuses as a shell
// sees them, alone and spread with GNU parallel.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QImageReader>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <functional>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct Result {
    int code = -1;
    QString out, err;
};

// A scratch home with documents in `docs`, an output folder `out` and a TEMP of its own, the
// build's programs first on the path.
struct Shell {
    QTemporaryDir home;
    QString docs = home.filePath(QStringLiteral("docs"));
    QString out = home.filePath(QStringLiteral("out"));

    Shell()
    {
        for (const QString &d : {docs, out, home.filePath(QStringLiteral("tmp"))})
            QDir().mkpath(d);
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("TEMP"), home.filePath(QStringLiteral("tmp")));
        env.insert(QStringLiteral("PATH"), TestFiles::appFolder() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        return env;
    }
    // Runs a command line with bash in the documents folder.
    Result bash(const QString &command, const QByteArray &input = QByteArray()) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(docs);
        p.start(QStringLiteral("bash"), {QStringLiteral("-c"), command});
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(300000))
            p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QStringList gifs() const { return QDir(out).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name); }
};

// A second machine for the many-machines recipes: an ssh server of the test's own on a loopback
// port, with its own host key and a key for this test only, whose sessions start in a home of
// their own (`home`) and find lumenpage-batch on their PATH. Reached as "second" with
// `ssh -F KEYS/config`. The server ends with this object.
struct SecondMachine {
    const Shell &sh;
    QString keys = sh.home.filePath(QStringLiteral("keys"));
    QString home = sh.home.filePath(QStringLiteral("second"));
    QProcess sshd;

    explicit SecondMachine(const Shell &shell) : sh(shell) {}
    ~SecondMachine()
    {
        sshd.terminate();
        sshd.waitForFinished(5000);
    }
    // Empty once the server listens; otherwise why it could not be started.
    QString start()
    {
        if (!QDir().mkpath(keys) || !QDir().mkpath(home))
            return QStringLiteral("no folders for the keys and the second home");
        Result r = sh.bash(QStringLiteral("cd ../keys && ssh-keygen -q -t ed25519 -N '' -f host && "
                                          "ssh-keygen -q -t ed25519 -N '' -f client && cp client.pub authorized"));
        if (r.code != 0)
            return r.err;
        // Run as root, sshd wants the folder its system service would make.
        if (geteuid() == 0)
            QDir().mkpath(QStringLiteral("/run/sshd"));
        // sshd is started by its full path, which it needs to start its sessions.
        QString sshdPath = QStandardPaths::findExecutable(QStringLiteral("sshd"));
        if (sshdPath.isEmpty())
            sshdPath = QStandardPaths::findExecutable(QStringLiteral("sshd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        const QString log = keys + QStringLiteral("/sshd.log");
        sshd.setStandardErrorFile(log);
        int port = 0;
        for (int attempt = 0; attempt < 5 && port == 0; ++attempt) {
            const int candidate = QRandomGenerator::global()->bounded(20000, 60000);
            TestFiles::writeBytes(keys + QStringLiteral("/sshd_config"),
                                  QStringLiteral("ListenAddress 127.0.0.1\nPort %1\nHostKey %2/host\n"
                                                 "AuthorizedKeysFile %2/authorized\nPidFile none\nStrictModes no\n"
                                                 "UsePAM no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                                 "PermitRootLogin prohibit-password\nSetEnv PATH=%3:/usr/bin:/bin HOME=%4\n"
                                                 // A session starts in the user's own home, not in $HOME.
                                                 "ForceCommand cd '%4' && exec \"$SHELL\" -c \"$SSH_ORIGINAL_COMMAND\"\n")
                                      .arg(candidate).arg(keys, TestFiles::appFolder(), home).toLocal8Bit());
            sshd.start(sshdPath, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), keys + QStringLiteral("/sshd_config")});
            // Listening, or ended at once (the port was taken).
            for (int i = 0; i < 100 && sshd.state() != QProcess::NotRunning; ++i) {
                QFile f(log);
                if (f.open(QIODevice::ReadOnly) && f.readAll().contains("Server listening")) {
                    port = candidate;
                    break;
                }
                sshd.waitForFinished(100);
            }
            if (port == 0) {
                sshd.kill();
                sshd.waitForFinished();
            }
        }
        if (port == 0) {
            QFile f(log);
            f.open(QIODevice::ReadOnly);
            return QString::fromLocal8Bit(f.readAll()) + QStringLiteral(" (no ssh server could be started)");
        }
        const passwd *user = getpwuid(geteuid());
        if (!user)
            return QStringLiteral("no user name");
        r = sh.bash(QStringLiteral("cd ../keys && printf '[127.0.0.1]:%1 %s\\n' \"$(cut -d' ' -f1,2 host.pub)\" >known_hosts && "
                                   "printf 'Host second\\n HostName 127.0.0.1\\n Port %1\\n User %2\\n IdentityFile %3/client\\n"
                                   " IdentitiesOnly yes\\n UserKnownHostsFile %3/known_hosts\\n StrictHostKeyChecking yes\\n"
                                   " BatchMode yes\\n' >config")
                        .arg(port).arg(QString::fromLocal8Bit(user->pw_name), keys));
        return r.code == 0 ? QString() : r.err;
    }
    // What the batch left in the second home.
    QStringList leftOver() const
    {
        QStringList left;
        QDirIterator it(home, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            left << it.next();
        return left;
    }
};

// The size a GIF file says it has, from its header.
QSize gifSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QSize();
    const QByteArray h = file.read(10);
    if (h.size() < 10 || !h.startsWith("GIF"))
        return QSize();
    return QSize(quint8(h[6]) | quint8(h[7]) << 8, quint8(h[8]) | quint8(h[9]) << 8);
}

// A row per method: its --method name and the GIF name of page N of "doc.pdf".
void methodRows()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("pattern"); // %1: the page number
    QTest::addColumn<QString>("options"); // more options, for the rows of formatRows()
    QTest::newRow("ghostscript") << QStringLiteral("ghostscript") << QStringLiteral("doc-%1.gif") << QString();
    QTest::newRow("bw") << QStringLiteral("bw") << QStringLiteral("doc-%1.gif") << QString();
    QTest::newRow("gflax") << QStringLiteral("gflax") << QStringLiteral("doc%1.gif") << QString();
    QTest::newRow("acrobat") << QStringLiteral("acrobat") << QStringLiteral("doc_Page_%1.gif") << QString();
}

// Rows of methodRows() that save their pages in another format, or in grey.
void formatRows()
{
    QTest::newRow("ghostscript, png") << QStringLiteral("ghostscript") << QStringLiteral("doc-%1.png") << QStringLiteral("--format png");
    QTest::newRow("acrobat, tiff") << QStringLiteral("acrobat") << QStringLiteral("doc_Page_%1.tiff") << QStringLiteral("--format tiff");
    QTest::newRow("gflax, grey gif") << QStringLiteral("gflax") << QStringLiteral("doc%1.gif") << QStringLiteral("--gray");
    QTest::newRow("ghostscript, grey png") << QStringLiteral("ghostscript") << QStringLiteral("doc-%1.png")
                                           << QStringLiteral("--format PNG --gray");
    QTest::newRow("ghostscript, jpeg") << QStringLiteral("ghostscript") << QStringLiteral("doc-%1.jpg") << QStringLiteral("--format jpeg");
    QTest::newRow("bw, jpg at quality 40") << QStringLiteral("bw") << QStringLiteral("doc-%1.jpg") << QStringLiteral("--format jpg --quality 40");
    QTest::newRow("gflax, webp") << QStringLiteral("gflax") << QStringLiteral("doc%1.webp") << QStringLiteral("--format webp --quality 60");
    QTest::newRow("acrobat, gif at quality 20") << QStringLiteral("acrobat") << QStringLiteral("doc_Page_%1.gif") << QStringLiteral("--quality 20");
    QTest::newRow("acrobat, grey jpeg") << QStringLiteral("acrobat") << QStringLiteral("doc_Page_%1.jpg")
                                        << QStringLiteral("--format jpeg --gray");
}

// The picture in a page's file, decoded whole.
QImage decoded(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

bool allGrey(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (QColor(rgb.pixel(x, y)).saturation() != 0)
                return false;
    return !rgb.isNull();
}

QString gifName(const QString &pattern, int page)
{
    return pattern.startsWith(QLatin1String("doc-")) ? pattern.arg(page, 3, 10, QLatin1Char('0')) : pattern.arg(page);
}

// Lines of a stream, without the empty one after the last newline.
QStringList lines(const QString &text)
{
    QStringList l = text.split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

} // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void versionAndHelp()
    {
        Shell sh;
        Result r = sh.bash(QStringLiteral("lumenpage-batch --version"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("lumenpage-batch " LUMENPAGE_VERSION "\n"));
        // Started through its full path, it still calls itself by its name.
        for (const QString &help : {QStringLiteral("--help"), QStringLiteral("--help-all")}) {
            r = sh.bash(QStringLiteral("\"$(command -v lumenpage-batch)\" ") + help);
            QCOMPARE(r.code, 0);
            QVERIFY2(r.out.startsWith(QStringLiteral("Usage: lumenpage-batch [options] FILE...\n")), qPrintable(r.out));
            for (const char *option : {"--output", "--files-from", "--quiet", "--verbose", "--version", "--page-range",
                                       "--resolution", "--fit", "--password-file", "--report", "--resume",
                                       "--format", "--gray", "--animate", "--watch", "--recursive"})
                QVERIFY2(r.out.contains(QLatin1String(option)), option);
        }
        r = sh.bash(QStringLiteral("lumenpage-batch -o ../out --colour x.pdf"));
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: ")), qPrintable(r.err));
    }

    // Under a German or French locale the help and the messages are translated, Qt's own
    // lines of the help too; LANGUAGE picks among several.
    void speaksTheDesktopsLanguage_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("usage");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message");
        QTest::newRow("de") << QStringList{QStringLiteral("LANG=de_DE.UTF-8")} << QStringLiteral("Aufruf: ")
                            << QStringLiteral("Wandelt jede Seite jeder PDF-Datei FILE in eine GIF-Datei im Ausgabeordner um.")
                            << QStringLiteral("lumenpage-batch: --output DIR muss angegeben werden.");
        QTest::newRow("fr") << QStringList{QStringLiteral("LANG=en_GB.UTF-8"), QStringLiteral("LANGUAGE=es:fr")}
                            << QStringLiteral("Utilisation") << QString::fromUtf8("Convertit chaque page de chaque fichier PDF FILE")
                            << QString::fromUtf8("lumenpage-batch: --output DIR est obligatoire.");
    }
    void speaksTheDesktopsLanguage()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, usage);
        QFETCH(QString, description);
        QFETCH(QString, message);
        Shell sh;
        const QString env = QStringLiteral("env -u LC_ALL -u LC_MESSAGES ") + environment.join(QLatin1Char(' '));
        Result r = sh.bash(env + QStringLiteral(" lumenpage-batch --help"));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(usage), qPrintable(r.out));
        QVERIFY2(r.out.contains(description), qPrintable(r.out));
        QVERIFY2(!r.out.contains(QLatin1String("Displays help")), qPrintable(r.out)); // Qt's own lines too
        r = sh.bash(env + QStringLiteral(" lumenpage-batch x.pdf"));
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
        // The C locale is English, whatever LANGUAGE says.
        r = sh.bash(QStringLiteral("env -u LC_ALL LANG=C LANGUAGE=de:fr lumenpage-batch x.pdf"));
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: --output DIR is required.")), qPrintable(r.err));
    }

    // Each failed file is one line naming the file and why, with the renderer's own reason;
    // the window's boxes only on request.
    void oneLinePerFailedFile_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("ghostscript") << QStringLiteral("ghostscript");
        QTest::newRow("gflax") << QStringLiteral("gflax");
        QTest::newRow("acrobat") << QStringLiteral("acrobat");
        QTest::newRow("bw") << QStringLiteral("bw");
    }
    void oneLinePerFailedFile()
    {
        QFETCH(QString, method);
        // Ghostscript locks the PDF, whichever method then refuses it.
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method) << QStringLiteral("gs"));
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/good.pdf"), 1);
        QVERIFY(TestPdfs::writeLocked(sh.docs + QStringLiteral("/good.pdf"), sh.docs + QStringLiteral("/locked file.pdf"),
                                      QStringLiteral("secret")));
        TestFiles::writeBytes(sh.docs + QStringLiteral("/notes.pdf"), "These are notes, not a PDF.\n");

        QVERIFY(QDir().mkpath(sh.docs + QStringLiteral("/folder.pdf")));

        Result r = sh.bash(QStringLiteral("lumenpage-batch -m %1 -o ../out 'locked file.pdf' good.pdf notes.pdf missing.pdf "
                                          "folder.pdf").arg(method));
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringLiteral("Done.\n"));
        const QStringList err = lines(r.err);
        QCOMPARE(err.size(), 5);
        QCOMPARE(err.at(4), QStringLiteral("lumenpage-batch: 4 of 5 files and 0 of 1 GIF files failed."));
        // A folder is walked for PDFs; one without any is said before the run.
        QCOMPARE(err.at(0), QStringLiteral("lumenpage-batch: folder.pdf: a folder with no PDF file in it or below it"));
        // Plain words, never a renderer's stack dump.
        QVERIFY2(err.at(3).startsWith(QStringLiteral("lumenpage-batch: missing.pdf: "))
                     && err.at(3).contains(QLatin1String("was not found")), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QLatin1String("undefinedfilename")), qPrintable(r.err));
        QVERIFY2(err.at(1).startsWith(QStringLiteral("lumenpage-batch: locked file.pdf: ")), qPrintable(r.err));
        // The renderer's own reason: Ghostscript's or poppler's.
        QVERIFY2(err.at(1).contains(QStringLiteral("password"), Qt::CaseInsensitive), qPrintable(r.err));
        QVERIFY2(err.at(2).startsWith(QStringLiteral("lumenpage-batch: notes.pdf: ")), qPrintable(r.err));
        for (const QString &line : err.mid(0, 4)) {
            const QString cause = line.section(QStringLiteral(".pdf: "), 1);
            QVERIFY2(cause.size() > 3, qPrintable(line));
            QVERIFY2(!line.contains(QLatin1String("Application Error")) && !line.contains(QLatin1String("Lumenpg")),
                     qPrintable(line));
        }
        QCOMPARE(sh.gifs().size(), 1);

        r = sh.bash(QStringLiteral("lumenpage-batch --verbose -m %1 -o ../out notes.pdf").arg(method));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Could not create GIF on ") + sh.docs + QStringLiteral("/notes.pdf")), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("lumenpage-batch: notes.pdf: ")));
    }

    // --page-range: exactly those pages, under their own numbers, and only those drawn (the
    // renderers name every page they draw in LUMENPAGE_PAGE_LOG); a file none of whose pages is
    // in the range fails, saying so.
    void pageRange_data() { methodRows(); }
    void pageRange()
    {
        QFETCH(QString, method);
        QFETCH(QString, pattern);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/doc.pdf"), 6);
        const QString log = sh.home.filePath(QStringLiteral("drawn.log"));
        Result r = sh.bash(QStringLiteral("LUMENPAGE_PAGE_LOG='%1' lumenpage-batch -m %2 --page-range 2-3,5 -o ../out doc.pdf")
                               .arg(log, method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.err, QString());
        QCOMPARE(sh.gifs(), (QStringList{gifName(pattern, 2), gifName(pattern, 3), gifName(pattern, 5)}));
        QFile drawn(log);
        QVERIFY(drawn.open(QIODevice::ReadOnly));
        QStringList pages = QString::fromLatin1(drawn.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        pages.sort();
        QCOMPARE(pages, (QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("5")}));

        // Clamped to the document: 5- is pages 5 and 6.
        QDir(sh.out).removeRecursively();
        QDir().mkpath(sh.out);
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --page-range 5- -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(sh.gifs(), (QStringList{gifName(pattern, 5), gifName(pattern, 6)}));

        // Many items that overlap or touch are a few spans: drawn by every method, by a
        // script as one span (not one Ghostscript an item).
        QDir(sh.out).removeRecursively();
        QDir().mkpath(sh.out);
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --page-range %2 -o ../out doc.pdf")
                        .arg(method, QStringLiteral("1,2,3-4,").repeated(12000) + QStringLiteral("2-3")));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(sh.gifs(), (QStringList{gifName(pattern, 1), gifName(pattern, 2), gifName(pattern, 3), gifName(pattern, 4)}));

        // A range the program takes (an argument of less than 128 KiB) that is too long for
        // the system to hand a script with its name (LUMENPAGE_PAGES=): a script method's file
        // fails in plain words, the page renderer, which reads it from its pipe, draws. (Run
        // from a file: a command line of bash -c holds no argument that long.)
        const bool script = pattern.startsWith(QLatin1String("doc-"));
        QString apart;
        for (int page = 1; apart.size() < 131058; page += 2)
            apart += QString::number(page) + QLatin1Char(',');
        apart += QLatin1Char('1');
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("apart.sh")),
                              QStringLiteral("lumenpage-batch -m %1 --page-range %2 -o ../out doc.pdf\n").arg(method, apart).toUtf8());
        r = sh.bash(QStringLiteral("bash ../apart.sh"));
        QCOMPARE(r.code, script ? 1 : 0);
        if (script)
            QVERIFY2(lines(r.err).size() == 2 && r.err.startsWith(QStringLiteral("lumenpage-batch: doc.pdf: "))
                         && r.err.contains(QLatin1String(" could not be started: Argument list too long")),
                     qPrintable(r.err));

        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --page-range 7-9,12 -o ../out doc.pdf").arg(method));
        QCOMPARE(r.code, 1);
        QCOMPARE(lines(r.err).size(), 2);
        QCOMPARE(lines(r.err).at(1), QStringLiteral("lumenpage-batch: 1 of 1 files and 0 of 0 GIF files failed."));
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: doc.pdf: ")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("no page of ")) && r.err.contains(QStringLiteral("in the page range 7-9,12"))
                     && r.err.contains(QStringLiteral("6 page(s)")),
                 qPrintable(r.err));
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // --report: a line per page with its number under every method's naming, its GIF and that
    // GIF's size, and a line for a file that failed as a whole; written over a link planted at
    // its name, never through it.
    void reportRecordsEachPage_data() { methodRows(); }
    void reportRecordsEachPage()
    {
        QFETCH(QString, method);
        QFETCH(QString, pattern);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/doc.pdf"), 3);
        TestFiles::writeBytes(sh.docs + QStringLiteral("/notes.pdf"), "These are notes, not a PDF.\n");
        const QString theirs = sh.home.filePath(QStringLiteral("theirs")), record = sh.home.filePath(QStringLiteral("run.jsonl"));
        TestFiles::writeBytes(theirs, "theirs\n");
        QVERIFY(QFile::link(theirs, record));
        const Result r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --page-range 2-3 --report ../run.jsonl -o ../out doc.pdf notes.pdf")
                                     .arg(method));
        QCOMPARE(r.code, 1);
        QFile file(record);
        QVERIFY(!QFileInfo(record).isSymLink() && file.open(QIODevice::ReadOnly));
        QFile theirsFile(theirs);
        QVERIFY(theirsFile.open(QIODevice::ReadOnly));
        QCOMPARE(theirsFile.readAll(), QByteArray("theirs\n"));
        const QStringList got = lines(QString::fromUtf8(file.readAll()));
        QCOMPARE(got.size(), 4);
        for (int page : {2, 3}) {
            const QJsonObject line = QJsonDocument::fromJson(got.at(page - 2).toUtf8()).object();
            const QString gif = sh.out + QLatin1Char('/') + gifName(pattern, page);
            QCOMPARE(line.value(QStringLiteral("file")).toString(), sh.docs + QStringLiteral("/doc.pdf"));
            QCOMPARE(line.value(QStringLiteral("page")).toInt(), page);
            QCOMPARE(line.value(QStringLiteral("gif")).toString(), gif);
            QCOMPARE(line.value(QStringLiteral("bytes")).toInteger(), QFileInfo(gif).size());
            QFile written(gif);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(line.value(QStringLiteral("blake2b256")).toString().toLatin1(),
                     QCryptographicHash::hash(written.readAll(), QCryptographicHash::Blake2b_256).toHex());
            QCOMPARE(line.value(QStringLiteral("status")).toString(), QStringLiteral("written"));
        }
        // doc.pdf is done, with the options that shaped its GIFs.
        const QJsonObject done = QJsonDocument::fromJson(got.at(2).toUtf8()).object();
        QCOMPARE(done.value(QStringLiteral("file")).toString(), sh.docs + QStringLiteral("/doc.pdf"));
        QCOMPARE(done.value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        QCOMPARE(done.value(QStringLiteral("gifs")).toInt(), 2);
        QCOMPARE(done.value(QStringLiteral("options")).toObject().value(QStringLiteral("method")).toString(), method);
        QCOMPARE(done.value(QStringLiteral("options")).toObject().value(QStringLiteral("page-range")).toString(), QStringLiteral("2-3"));
        const QJsonObject failed = QJsonDocument::fromJson(got.at(3).toUtf8()).object();
        QCOMPARE(failed.value(QStringLiteral("file")).toString(), sh.docs + QStringLiteral("/notes.pdf"));
        QVERIFY(!failed.contains(QStringLiteral("page")) && !failed.contains(QStringLiteral("gif")));
        QCOMPARE(failed.value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
        QCOMPARE(failed.value(QStringLiteral("kind")).toString(), QStringLiteral("file-failed"));
        const QString reason = failed.value(QStringLiteral("reason")).toString().simplified();
        QVERIFY2(reason.size() > 3 && r.err.contains(reason.left(20)), qPrintable(got.at(3)));
        const QStringList said = reason.split(QStringLiteral("; ")); // each reason once
        QVERIFY2(QSet<QString>(said.cbegin(), said.cend()).size() == said.size(), qPrintable(reason));
    }

    // A FIFO or a device where the run would write (the record, a page's file, the animated
    // GIF), or a folder it cannot write: exit 2 and one line before any work, and the node as it
    // was, whoever runs it. Root may write to /dev/null, so the kind of file is what counts; a
    // folder's mode bits do not hold root back, so those rows run as "nobody" under root.
    void refusedTargetsUpFront_data()
    {
        QTest::addColumn<QString>("node"); // fifo, device or read-only (a folder), at ../node
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("named"); // what the line says, after "lumenpage-batch: "
        QTest::newRow("record a FIFO") << "fifo" << "--report ../node -o ../out"
                                       << "--report '../node': a FIFO (named pipe) is there, not a regular file";
        QTest::newRow("record a device") << "device" << "--report ../node -o ../out"
                                         << "--report '../node': a character device is there, not a regular file";
        QTest::newRow("record in a read-only folder") << "read-only" << "--report ../node/run.jsonl -o ../out"
                                                      << "--report '../node/run.jsonl': its folder cannot be written: Permission denied";
        QTest::newRow("page's file a FIFO") << "fifo" << "-o ../out" << "OUT/doc-002.gif: a FIFO (named pipe) is there";
        QTest::newRow("animated GIF a device") << "device" << "--animate -o ../out" << "OUT/doc.gif: a character device is there";
        QTest::newRow("read-only output folder") << "read-only" << "-o ../node" << "../node: the folder cannot be written: Permission denied";
    }
    void refusedTargetsUpFront()
    {
        QFETCH(QString, node);
        QFETCH(QString, options);
        QFETCH(QString, named);
        if (node == QLatin1String("device") && ::geteuid() != 0)
            QSKIP("mknod of a character device needs root");
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/doc.pdf"), 2);
        QString at = sh.home.filePath(QStringLiteral("node"));
        if (named.startsWith(QLatin1String("OUT/"))) {
            at = sh.out + named.mid(3, named.indexOf(QLatin1Char(':')) - 3);
            named.replace(QLatin1String("OUT"), sh.out);
        }
        QString command = QStringLiteral("timeout 60 lumenpage-batch %1 doc.pdf").arg(options);
        if (node == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(at).constData(), 0666), 0);
        } else if (node == QLatin1String("device")) {
            QCOMPARE(::mknod(QFile::encodeName(at).constData(), S_IFCHR | 0666, makedev(1, 3)), 0); // as /dev/null
        } else {
            QVERIFY(QDir().mkpath(at));
            QCOMPARE(::chmod(QFile::encodeName(at).constData(), 0555), 0);
            if (::geteuid() == 0) {
                // "nobody" has to reach the program, which a build tree below a home only root
                // may enter (a checkout in /root) does not allow; root then meets a folder no
                // mode bit opens for it, sysfs's top, which refuses every new file.
                const QString program = TestFiles::appFolder() + QStringLiteral("/lumenpage-batch");
                if (QProcess::execute(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                                  QStringLiteral("--clear-groups"), QStringLiteral("test"),
                                                                  QStringLiteral("-x"), program}) == 0) {
                    for (const QString &folder : {sh.home.path(), sh.docs})
                        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
                    for (const QString &folder : {sh.out, sh.home.filePath(QStringLiteral("tmp"))})
                        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
                    command = QStringLiteral("setpriv --reuid=65534 --regid=65534 --clear-groups ") + command;
                } else {
                    const int probe = ::open("/sys/lumenpage-probe", O_WRONLY | O_CREAT | O_EXCL, 0600);
                    if (probe >= 0 || errno != EACCES) {
                        if (probe >= 0)
                            ::close(probe);
                        QSKIP("no folder here that root cannot write: nobody cannot reach the program, and /sys is not sysfs");
                    }
                    at = QStringLiteral("/sys");
                    command.replace(QLatin1String("../node"), at);
                    named.replace(QLatin1String("../node"), at);
                }
            }
        }
        const QByteArray path = QFile::encodeName(at);
        struct stat before {};
        QCOMPARE(::lstat(path.constData(), &before), 0);
        const Result r = sh.bash(command);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: ") + named), qPrintable(r.err));
        QCOMPARE(lines(r.err).size(), 1);
        struct stat after {};
        QCOMPARE(::lstat(path.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_rdev, before.st_rdev);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(sh.gifs(), QStringList());
        if (node == QLatin1String("read-only") && at != QLatin1String("/sys"))
            QCOMPARE(QDir(at).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // --resolution for every method: a Letter page at 72 dpi is 612 x 792 pixels. (The range
    // gives GflAx, which converts its first page by default, both pages.) In every format, each
    // file whole under its format's extension, and grey with --gray.
    void resolution_data()
    {
        methodRows();
        formatRows();
    }
    void resolution()
    {
        QFETCH(QString, method);
        QFETCH(QString, pattern);
        QFETCH(QString, options);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/doc.pdf"), 2);
        const Result r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --resolution 72 --page-range 1- %2 -o ../out doc.pdf")
                                     .arg(method, options));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(QDir(sh.out).entryList(QDir::Files, QDir::Name), (QStringList{gifName(pattern, 1), gifName(pattern, 2)}));
        for (int page = 1; page <= 2; ++page) {
            const QString path = sh.out + QLatin1Char('/') + gifName(pattern, page);
            if (options.isEmpty())
                QCOMPARE(gifSize(path), QSize(612, 792));
            const QImage image = decoded(path);
            QCOMPARE(image.size(), QSize(612, 792));
            if (method != QLatin1String("bw")) // its pages are grey anyway
                QCOMPARE(allGrey(image), options.contains(QLatin1String("--gray")));
        }
    }

    // --fit: each page of a mixed document fitted on its own, drawn at that size.
    void fit_data() { methodRows(); }
    void fit()
    {
        QFETCH(QString, method);
        QFETCH(QString, pattern);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        Shell sh;
        TestPdfs::Page letter, landscape, tiny;
        letter.content = landscape.content = tiny.content = "0 0 1 rg 10 10 100 100 re f";
        landscape.mediaBox = TestPdfs::box(800, 600); // 4:3
        tiny.mediaBox = TestPdfs::box(36, 36);
        TestFiles::writeBytes(sh.docs + QStringLiteral("/doc.pdf"), TestPdfs::withPages({letter, landscape, tiny}));
        Result r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --fit 200x200 --page-range 1- -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QSize first = gifSize(sh.out + QLatin1Char('/') + gifName(pattern, 1));
        QVERIFY2(first == QSize(154, 200) || first == QSize(155, 200),
                 qPrintable(QStringLiteral("%1 x %2").arg(first.width()).arg(first.height())));
        QCOMPARE(gifSize(sh.out + QLatin1Char('/') + gifName(pattern, 2)), QSize(200, 150));

        // One side: the other follows the page's shape.
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --fit x300 --page-range 1- -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(gifSize(sh.out + QLatin1Char('/') + gifName(pattern, 2)), QSize(400, 300));
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --fit 306 -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(gifSize(sh.out + QLatin1Char('/') + gifName(pattern, 1)), QSize(306, 396));

        // Exactly the size asked, or the page fails with why: a box a Letter page fits only
        // below the lowest resolution (2 dpi), or one that makes the half-inch page past the
        // pixel limits, is never drawn at another size. Within them, the half-inch page fills
        // its box, far past the highest resolution --resolution takes.
        QDir(sh.out).removeRecursively();
        QDir().mkpath(sh.out);
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --fit 1x1 --page-range 1 -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 1 && r.err.contains(QLatin1String("below the lowest resolution, 2 dpi")), qPrintable(r.err));
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --fit 65535x65535 --page-range 3 -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 1 && r.err.contains(QLatin1String("more than 65535 pixels a side")), qPrintable(r.err));
        QCOMPARE(QDir(sh.out).entryList(QDir::Files), QStringList());
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --fit 3000 --page-range 3 -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(gifSize(sh.out + QLatin1Char('/') + gifName(pattern, 3)), QSize(3000, 3000));

        // Awkward pages (A4 in its exact points, a Letter page turned by /Rotate, a narrow one,
        // a strip) in boxes of each shape: every page within the box, its bounding side filled
        // to within a pixel.
        TestPdfs::Page a4, turned, narrow, strip;
        a4.content = turned.content = narrow.content = strip.content = letter.content;
        a4.mediaBox = "[0 0 595.276 841.89]";
        turned.mediaBox = "[0 0 612 792] /Rotate 90";
        narrow.mediaBox = "[0 0 333.3 777.7]";
        strip.mediaBox = TestPdfs::box(1000, 7);
        TestFiles::writeBytes(sh.docs + QStringLiteral("/doc.pdf"), TestPdfs::withPages({a4, turned, narrow, strip}));
        for (const QSize box : {QSize(257, 257), QSize(1000, 100), QSize(600, 2000)}) {
            r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --fit %2x%3 --page-range 1- -o ../out doc.pdf")
                            .arg(method).arg(box.width()).arg(box.height()));
            QVERIFY2(r.code == 0, qPrintable(r.err));
            for (int page = 1; page <= 4; ++page) {
                const QSize got = gifSize(sh.out + QLatin1Char('/') + gifName(pattern, page));
                QVERIFY2(got.width() <= box.width() && got.height() <= box.height()
                             && (got.width() >= box.width() - 1 || got.height() >= box.height() - 1),
                         qPrintable(QStringLiteral("page %1 in %2 x %3: %4 x %5").arg(page).arg(box.width())
                                        .arg(box.height()).arg(got.width()).arg(got.height())));
            }
        }
    }

    // A file the scripts cannot convert as a whole is one line wholly in the desktop's language,
    // naming the user's file, never the scripts' name for it nor Ghostscript's English words.
    void causesInTheDesktopsLanguage_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("says"); // %1: the file as given to the method
        for (const QString &method : {QStringLiteral("ghostscript"), QStringLiteral("bw"), QStringLiteral("gflax"), QStringLiteral("acrobat")}) {
            // GflAx names the page it could not load.
            const QString locked = QStringLiteral("lumenpage-batch: locked.pdf: ")
                                   + (method == QLatin1String("gflax") ? QStringLiteral("Seite 1 kann nicht geladen werden: ") : QString());
            QTest::addRow("%s, locked, no password", qPrintable(method))
                << method << QStringLiteral("locked.pdf")
                << locked + QString::fromUtf8("%1 ist passwortgeschützt, und es wurde kein Passwort angegeben");
            QTest::addRow("%s, locked, wrong password", qPrintable(method))
                << method << QStringLiteral("--password-file ../wrong locked.pdf")
                << locked + QString::fromUtf8("%1 ist passwortgeschützt, und das angegebene Passwort öffnet die Datei nicht");
            QTest::addRow("%s, no page in the range", qPrintable(method))
                << method << QStringLiteral("--page-range 9- five.pdf")
                << QString::fromUtf8("lumenpage-batch: five.pdf: keine Seite von %1 liegt im Seitenbereich 9-: Die Datei hat 5 Seite(n)");
        }
    }
    void causesInTheDesktopsLanguage()
    {
        QFETCH(QString, method);
        QFETCH(QString, options);
        QFETCH(QString, says);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method) << QStringLiteral("qpdf"));
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/five.pdf"), 5);
        QVERIFY(TestPdfs::writeLockedAes256(sh.docs + QStringLiteral("/five.pdf"), sh.docs + QStringLiteral("/locked.pdf"),
                                            QStringLiteral("secret")));
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("wrong")), "wrong\n");
        const Result r = sh.bash(QStringLiteral("env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=de_DE.UTF-8 lumenpage-batch -m %1 -o ../out %2")
                                     .arg(method, options));
        QCOMPARE(r.code, 1);
        const QString file = sh.docs + QLatin1Char('/') + options.section(QLatin1Char(' '), -1);
        QCOMPARE(lines(r.err), (QStringList{says.arg(file),
                                            QStringLiteral("lumenpage-batch: 1 von 1 Dateien und 0 von 0 GIF-Dateien sind fehlgeschlagen.")}));
    }

    // A missing file, a damaged one and one that is no PDF: one line each in the desktop's
    // language in every method, with none of the renderer's or the system's English in it.
    void documentFailuresInTheDesktopsLanguage_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says"); // a part of the line only that language has
        const QList<std::array<const char *, 3>> said = {
            {"de_DE.UTF-8", "missing.pdf", "wurde nicht gefunden"},
            {"de_DE.UTF-8", "damaged.pdf", "beschädigt"},
            {"de_DE.UTF-8", "notpdf.pdf", "kein"},
            {"fr_FR.UTF-8", "missing.pdf", "introuvable"},
            {"fr_FR.UTF-8", "damaged.pdf", "endommagé"},
            {"fr_FR.UTF-8", "notpdf.pdf", "pas un"},
        };
        for (const QString &method : {QStringLiteral("ghostscript"), QStringLiteral("bw"), QStringLiteral("gflax"), QStringLiteral("acrobat")})
            for (const auto &row : said)
                QTest::addRow("%s, %s, %s", qPrintable(method), row[0], row[1])
                    << method << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]) << QString::fromUtf8(row[2]);
    }
    void documentFailuresInTheDesktopsLanguage()
    {
        QFETCH(QString, method);
        QFETCH(QString, lang);
        QFETCH(QString, file);
        QFETCH(QString, says);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        Shell sh;
        TestFiles::writeBytes(sh.docs + QStringLiteral("/notpdf.pdf"), "Dear reader,\nthis is a letter, not a document.\n");
        QByteArray damaged = TestPdfs::withPages({TestPdfs::Page{}});
        damaged.truncate(damaged.indexOf("obj") + 3);
        TestFiles::writeBytes(sh.docs + QStringLiteral("/damaged.pdf"), damaged + "\n<< /Type /Cat");
        const Result r = sh.bash(QStringLiteral("env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=%1 lumenpage-batch -m %2 -o ../out %3")
                                     .arg(lang, method, file));
        QCOMPARE(r.code, 1);
        const QStringList said = lines(r.err);
        QCOMPARE(said.size(), 2);
        QVERIFY2(said.first().startsWith(QStringLiteral("lumenpage-batch: ") + file + QStringLiteral(": ")), qPrintable(said.first()));
        // The words, without the names of the file (which hold English words of their own).
        const QString line = QString(said.first()).remove(sh.docs + QLatin1Char('/') + file).remove(file);
        QVERIFY2(line.contains(says), qPrintable(line));
        for (const QString &english : {QStringLiteral("No such file"), QStringLiteral("Error"), QStringLiteral("could not"),
                                      QStringLiteral("not found"), QStringLiteral("damaged"), QStringLiteral("is not"),
                                      QStringLiteral("Output may")})
            QVERIFY2(!line.contains(english, Qt::CaseInsensitive), qPrintable(line));
    }

    // --password-file: a 256-bit AES locked PDF converts with its password (user or owner), and
    // fails with the reason without it or with a wrong one. The password is on no process's
    // command line or environment while the run runs, and nowhere in the scratch folder after.
    void passwordFile_data() { methodRows(); }
    void passwordFile()
    {
        QFETCH(QString, method);
        QFETCH(QString, pattern);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method) << QStringLiteral("qpdf"));
        Shell sh;
        const QByteArray password = "Lp sEcret \\ \"42\" " + QByteArray::number(QCoreApplication::applicationPid());
        TestFiles::writePdf(sh.docs + QStringLiteral("/plain.pdf"), 6);
        QVERIFY(TestPdfs::writeLockedAes256(sh.docs + QStringLiteral("/plain.pdf"), sh.docs + QStringLiteral("/doc.pdf"),
                                            QString::fromUtf8(password), QStringLiteral("Owner-") + QString::fromUtf8(password)));
        QFile::remove(sh.docs + QStringLiteral("/plain.pdf"));
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("pw")), password + "\n");
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("owner")), "Owner-" + password + "\r\nsecond line\n");
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("wrong")), "wrong\n");

        Result r = sh.bash(QStringLiteral("lumenpage-batch -m %1 -o ../out doc.pdf").arg(method));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("password-protected, and no password was given")), qPrintable(r.err));
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --password-file ../wrong -o ../out doc.pdf").arg(method));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("password-protected, and the password given does not open it")), qPrintable(r.err));
        QCOMPARE(sh.gifs(), QStringList());

        // While it runs, every process's command line and environment is read again and again.
        QProcess run;
        run.setProcessEnvironment(sh.environment());
        run.setWorkingDirectory(sh.docs);
        run.start(TestFiles::appFolder() + QStringLiteral("/lumenpage-batch"),
                  {QStringLiteral("-m"), method, QStringLiteral("--password-file"), QStringLiteral("../pw"),
                   QStringLiteral("--page-range"), QStringLiteral("1-"), QStringLiteral("-o"), QStringLiteral("../out"),
                   QStringLiteral("doc.pdf")});
        QVERIFY(run.waitForStarted());
        int looks = 0;
        QStringList seenIn;
        while (run.state() != QProcess::NotRunning) {
            const QStringList pids = QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
            for (const QString &pid : pids) {
                for (const char *what : {"cmdline", "environ"}) {
                    QFile f(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(what)));
                    if (f.open(QIODevice::ReadOnly) && f.readAll().contains(password))
                        seenIn << pid + QLatin1Char('/') + QLatin1String(what);
                }
            }
            ++looks;
            run.waitForFinished(5);
        }
        QVERIFY2(seenIn.isEmpty(), qPrintable(seenIn.join(QLatin1Char(' '))));
        QVERIFY(looks > 3);
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
        QCOMPARE(sh.gifs().size(), 6);
        QVERIFY(sh.gifs().contains(gifName(pattern, 6)));
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());

        // The owner password opens it too; only the file's first line is read.
        QDir(sh.out).removeRecursively();
        QDir().mkpath(sh.out);
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --page-range 2 --password-file ../owner -o ../out doc.pdf").arg(method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(sh.gifs(), QStringList{gifName(pattern, 2)});
        // No message ever shows it.
        QVERIFY(!r.err.contains(QStringLiteral("sEcret")));

        // A password past 127 bytes: its first 127 are the file's, and it opens the file with
        // every method. (qpdf locks a file with a longer one that no reader opens.)
        const QByteArray longPassword = "long-" + QByteArray(140, 'p');
        TestFiles::writePdf(sh.docs + QStringLiteral("/plain.pdf"), 1);
        QVERIFY(TestPdfs::writeLockedAes256(sh.docs + QStringLiteral("/plain.pdf"), sh.docs + QStringLiteral("/long.pdf"),
                                            QString::fromUtf8(longPassword.left(127))));
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("long")), longPassword + "\n");
        r = sh.bash(QStringLiteral("lumenpage-batch -m %1 --page-range 1 --password-file ../long -o ../out long.pdf").arg(method));
        QVERIFY2(r.code == 0, qPrintable(r.err));
    }

    // Each value no method can use is refused before any work: exit 2, one line naming the
    // option and the value, nothing converted and no scratch folder made.
    void badValuesRefusedUpFront_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("named"); // what the line must name
        QTest::newRow("resolution 0") << QStringLiteral("--resolution 0") << QStringLiteral("--resolution '0'");
        QTest::newRow("resolution negative") << QStringLiteral("--resolution -72") << QStringLiteral("--resolution '-72'");
        QTest::newRow("resolution text") << QStringLiteral("--resolution high") << QStringLiteral("--resolution 'high'");
        QTest::newRow("resolution too low") << QStringLiteral("--resolution 0.001") << QStringLiteral("--resolution '0.001': too low");
        QTest::newRow("resolution far too low") << QStringLiteral("--resolution 1e-300") << QStringLiteral("--resolution '1e-300'");
        QTest::newRow("resolution too high") << QStringLiteral("--resolution 5000") << QStringLiteral("--resolution '5000'");
        QTest::newRow("resolution gflax") << QStringLiteral("-m gflax --resolution 0") << QStringLiteral("--resolution '0'");
        QTest::newRow("fit zero") << QStringLiteral("--fit 0") << QStringLiteral("--fit '0'");
        QTest::newRow("fit text") << QStringLiteral("--fit big") << QStringLiteral("--fit 'big'");
        QTest::newRow("fit half") << QStringLiteral("--fit 200x") << QStringLiteral("--fit '200x'");
        QTest::newRow("fit beyond GIF") << QStringLiteral("--fit 70000x10") << QStringLiteral("--fit '70000x10'");
        QTest::newRow("page range zero") << QStringLiteral("--page-range 0") << QStringLiteral("--page-range '0'");
        QTest::newRow("page range backwards") << QStringLiteral("--page-range 3-1") << QStringLiteral("--page-range '3-1'");
        QTest::newRow("page range text") << QStringLiteral("--page-range one") << QStringLiteral("--page-range 'one'");
        QTest::newRow("page range empty item") << QStringLiteral("--page-range 1,,3") << QStringLiteral("--page-range '1,,3'");
        QTest::newRow("pages zero") << QStringLiteral("-m gflax --pages 0") << QStringLiteral("--pages '0'");
        QTest::newRow("pages text") << QStringLiteral("-m gflax --pages abc") << QStringLiteral("--pages 'abc'");
        QTest::newRow("pages too many") << QStringLiteral("-m gflax --pages 40000") << QStringLiteral("--pages '40000'");
        QTest::newRow("memory limit") << QStringLiteral("--memory-limit 12") << QStringLiteral("--memory-limit '12'");
        QTest::newRow("memory limit text") << QStringLiteral("--memory-limit lots") << QStringLiteral("--memory-limit 'lots'");
        QTest::newRow("time limit zero") << QStringLiteral("--time-limit 0") << QStringLiteral("--time-limit '0'");
        QTest::newRow("time limit text") << QStringLiteral("--time-limit soon") << QStringLiteral("--time-limit 'soon'");
        QTest::newRow("password file missing") << QStringLiteral("--password-file ../none") << QStringLiteral("--password-file '../none'");
        QTest::newRow("password file empty") << QStringLiteral("--password-file ../empty") << QStringLiteral("--password-file '../empty'");
        // Neither a pipe nobody writes to nor an endless device holds the run before a word.
        QTest::newRow("password file a pipe") << QStringLiteral("--password-file ../pipe") << QStringLiteral("--password-file '../pipe': is not a regular file");
        QTest::newRow("password file a device") << QStringLiteral("--password-file /dev/zero") << QStringLiteral("--password-file '/dev/zero': is not a regular file");
        QTest::newRow("fit and resolution") << QStringLiteral("--fit 100 --resolution 72") << QStringLiteral("--fit and --resolution");
        QTest::newRow("range and first page") << QStringLiteral("--first-page-only --page-range 2") << QStringLiteral("--page-range and --first-page-only");
        QTest::newRow("range and pages") << QStringLiteral("-m gflax --pages 3 --page-range 2") << QStringLiteral("--page-range and --pages");
        QTest::newRow("resume without report") << QStringLiteral("--resume") << QStringLiteral("--resume needs --report");
        QTest::newRow("report folder missing") << QStringLiteral("--report ../none/run.jsonl") << QStringLiteral("--report '../none/run.jsonl'");
        QTest::newRow("watch without record") << QStringLiteral("--watch .") << QStringLiteral("--watch needs --report FILE");
        QTest::newRow("watch a missing folder") << QStringLiteral("--watch ../none --report ../run.jsonl") << QStringLiteral("--watch '../none'");
        QTest::newRow("watch and a file") << QStringLiteral("--watch . --report ../run.jsonl")
                                          << QStringLiteral("--watch DIR converts what appears in DIR");
        QTest::newRow("recursive alone") << QStringLiteral("--recursive") << QStringLiteral("--recursive goes with --watch DIR.");
        // What is there is not a record: it is neither taken for one nor written over.
        QTest::newRow("resume from a non-record") << QStringLiteral("--resume --report doc.pdf") << QStringLiteral("--report 'doc.pdf'");
        QTest::newRow("format unknown") << QStringLiteral("--format heic") << QStringLiteral("--format 'heic'");
        QTest::newRow("quality for gif above 100") << QStringLiteral("--quality 101") << QStringLiteral("--quality '101'");
        QTest::newRow("quality for png") << QStringLiteral("--format png --quality 50")
                                         << QStringLiteral("--quality sets the quality of gif, jpeg and webp pages; png pages have none.");
        QTest::newRow("quality zero") << QStringLiteral("--format jpeg --quality 0") << QStringLiteral("--quality '0'");
        QTest::newRow("quality above 100") << QStringLiteral("--format webp --quality 101") << QStringLiteral("--quality '101'");
        QTest::newRow("quality text") << QStringLiteral("--format webp --quality best") << QStringLiteral("--quality 'best'");
        // The seconds come with an "=": a number after --animate names no file, and says so.
        QTest::newRow("animate seconds apart") << QStringLiteral("--animate 0.5") << QStringLiteral("--animate takes its seconds after an =");
        QTest::newRow("standard input twice") << QStringLiteral("--files-from - -") << QStringLiteral("standard input can be read once");
        // A record is read a line at a time, and a line is never held past 64 KiB.
        QTest::newRow("resume from a record with a huge line") << QStringLiteral("--resume --report ../huge")
                                                               << QStringLiteral("--report '../huge': line 2 is longer than 64 KiB");
        QTest::newRow("gray with bw") << QStringLiteral("-m bw --gray") << QStringLiteral("--gray cannot be combined with the bw method");
        QTest::newRow("animate no time") << QStringLiteral("--animate=0") << QStringLiteral("--animate '0'");
        QTest::newRow("animate beyond GIF") << QStringLiteral("--animate=1e6") << QStringLiteral("--animate '1e6'");
        QTest::newRow("animate as png") << QStringLiteral("--animate --format png") << QStringLiteral("--animate writes GIF files only");
        QTest::newRow("animate with names") << QStringLiteral("--animate --name 'p{page}'") << QStringLiteral("--animate names each GIF after its PDF");
        QTest::newRow("name empty") << QStringLiteral("--name ''") << QStringLiteral("--name '': ");
        QTest::newRow("name without page") << QStringLiteral("--name '{name}-{n}'") << QStringLiteral("--name '{name}-{n}': ");
        QTest::newRow("name with a folder") << QStringLiteral("--name 'gifs/{page}'") << QStringLiteral("--name 'gifs/{page}': ");
        QTest::newRow("name with dots") << QStringLiteral("--name '..{page}'") << QStringLiteral("--name '..{page}': ");
        QTest::newRow("name unknown field") << QStringLiteral("--name '{page}{title}'") << QStringLiteral("--name '{page}{title}': {title}");
        QTest::newRow("name bad padding") << QStringLiteral("--name '{page:x}'") << QStringLiteral("--name '{page:x}': {page:x}");
        QTest::newRow("name open brace") << QStringLiteral("--name '{page}{'") << QStringLiteral("--name '{page}{': ");
        QTest::newRow("name lone close") << QStringLiteral("--name 'p}{page}'") << QStringLiteral("--name 'p}{page}': ");
        // Names a user would not see in a listing, or that a shell would expand.
        QTest::newRow("name hidden") << QStringLiteral("--name '.{page}'") << QStringLiteral("--name '.{page}': ");
        QTest::newRow("name leading blank") << QStringLiteral("--name ' {page}'") << QStringLiteral("--name ' {page}': ");
        QTest::newRow("name trailing blank") << QStringLiteral("--name 'p{page} '") << QStringLiteral("--name 'p{page} ': ");
        QTest::newRow("name star") << QStringLiteral("--name '{name}*{page}'") << QStringLiteral("--name '{name}*{page}': ");
        QTest::newRow("name question mark") << QStringLiteral("--name '{page}?'") << QStringLiteral("--name '{page}?': ");
        QTest::newRow("name bracket") << QStringLiteral("--name '[{page}]'") << QStringLiteral("--name '[{page}]': ");
    }
    void badValuesRefusedUpFront()
    {
        QFETCH(QString, options);
        QFETCH(QString, named);
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/doc.pdf"), 1);
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("empty")), "\n");
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("huge")),
                              "{\"file\":\"/x.pdf\",\"status\":\"failed\"}\n{\"file\":\"" + QByteArray(200000, 'x') + "\"}\n");
        QCOMPARE(::mkfifo(QFile::encodeName(sh.home.filePath(QStringLiteral("pipe"))).constData(), 0600), 0);
        const Result r = sh.bash(QStringLiteral("timeout 60 lumenpage-batch %1 -o ../out doc.pdf").arg(options));
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: ") + named), qPrintable(r.err));
        if (named.contains(QLatin1Char('\'')))
            QCOMPARE(lines(r.err).size(), 1);
        QCOMPARE(sh.gifs(), QStringList());
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // A list of names from a file or standard input, names with blanks included; -q keeps
    // everything but errors to itself.
    void filesFromAndQuiet()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the default method
        Shell sh;
        QVERIFY(QDir().mkpath(sh.docs + QStringLiteral("/sub folder")));
        TestFiles::writePdf(sh.docs + QStringLiteral("/sub folder/first report.pdf"), 2);
        TestFiles::writePdf(sh.docs + QStringLiteral("/second.pdf"), 1);
        TestFiles::writePdf(sh.docs + QStringLiteral("/third.pdf"), 1);
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("list.txt")), "third.pdf\n\n");

        Result r = sh.bash(QStringLiteral("printf 'sub folder/first report.pdf\\n%s\\n' \"$PWD/second.pdf\" "
                                          "| lumenpage-batch -q -o ../out --files-from - --files-from ../list.txt"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QString());
        QCOMPARE(sh.gifs(), (QStringList{QStringLiteral("first report-001.gif"), QStringLiteral("first report-002.gif"),
                                         QStringLiteral("second-001.gif"), QStringLiteral("third-001.gif")}));

        // Quiet, but not about a failure.
        r = sh.bash(QStringLiteral("lumenpage-batch -q -o ../out missing.pdf"));
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(lines(r.err).size(), 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: missing.pdf: ")), qPrintable(r.err));

        // Names that cannot be used fail alone, each on one line as a shell shows it: one not
        // UTF-8, one with a line break, one longer than any path; the others are converted.
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("odd.txt")),
                              "caf\xe9.pdf\n" + QByteArray(5000, 'x') + "\nthird.pdf\n");
        r = sh.bash(QStringLiteral("lumenpage-batch -q -o ../out --files-from ../odd.txt $'two\\nlines.pdf'"));
        QCOMPARE(r.code, 1);
        QCOMPARE(lines(r.err).size(), 3);
        QVERIFY2(r.err.contains(QStringLiteral("lumenpage-batch: $'caf\\351.pdf': the name is not valid UTF-8")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("longer than 4096 bytes")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("lumenpage-batch: $'two\\nlines.pdf': "))
                 && r.err.contains(QStringLiteral("lines.pdf was not found")), qPrintable(r.err));

        r = sh.bash(QStringLiteral("lumenpage-batch -o ../out --files-from no-such-list.txt"));
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: no-such-list.txt: ")), qPrintable(r.err));
    }

    // "-" is one PDF read from standard input, its pages named after "stdin"; a folder is walked
    // as the window adds one: its own PDFs, then those of its sub-folders level by level, each
    // level in name order, hidden folders and ~files left out. The count line follows the first
    // failure and names the files of the format written.
    void standardInputAndFolders()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the default method
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/three.pdf"), 3);
        Result r = sh.bash(QStringLiteral("cat three.pdf | lumenpage-batch -o ../out -"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(sh.gifs(), (QStringList{QStringLiteral("stdin-001.gif"), QStringLiteral("stdin-002.gif"),
                                         QStringLiteral("stdin-003.gif")}));
        QCOMPARE(gifSize(sh.out + QStringLiteral("/stdin-003.gif")), QSize(1224, 1584));
        // What is not a PDF fails under the name given, and nothing is left in TEMP.
        r = sh.bash(QStringLiteral("echo 'not a PDF' | lumenpage-batch -o ../out --format png -"));
        QCOMPARE(r.code, 1);
        QCOMPARE(lines(r.err).size(), 2);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: -: ")), qPrintable(r.err));
        QCOMPARE(lines(r.err).at(1), QStringLiteral("lumenpage-batch: 1 of 1 files and 0 of 0 PNG files failed."));
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());

        QDir(sh.out).removeRecursively();
        QDir().mkpath(sh.out);
        for (const char *folder : {"tree/m/deeper", "tree/z", "tree/.hidden", "tree/empty"})
            QVERIFY(QDir().mkpath(sh.docs + QLatin1Char('/') + QLatin1String(folder)));
        for (const char *pdf : {"tree/b.pdf", "tree/A.pdf", "tree/z/c.pdf", "tree/m/d.PDF", "tree/m/deeper/e.pdf",
                                "tree/.hidden/f.pdf", "tree/~g.pdf"})
            TestFiles::writePdf(sh.docs + QLatin1Char('/') + QLatin1String(pdf), 1);
        TestFiles::writeBytes(sh.docs + QStringLiteral("/tree/z/broken.pdf"), "not a PDF\n");
        TestFiles::writeBytes(sh.docs + QStringLiteral("/tree/notes.txt"), "notes\n");
        r = sh.bash(QStringLiteral("lumenpage-batch -o ../out --name '{n}-{name}-{page}' tree/ tree/empty"));
        QCOMPARE(r.code, 1);
        QCOMPARE(sh.gifs(), (QStringList{QStringLiteral("1-A-1.gif"), QStringLiteral("2-b-1.gif"), QStringLiteral("3-d-1.gif"),
                                         QStringLiteral("5-c-1.gif"), QStringLiteral("6-e-1.gif")}));
        const QStringList err = lines(r.err);
        QCOMPARE(err.size(), 3);
        QCOMPARE(err.at(0), QStringLiteral("lumenpage-batch: tree/empty: a folder with no PDF file in it or below it"));
        QVERIFY2(err.at(1).startsWith(QStringLiteral("lumenpage-batch: tree/z/broken.pdf: ")), qPrintable(r.err));
        QCOMPARE(err.at(2), QStringLiteral("lumenpage-batch: 2 of 7 files and 0 of 5 GIF files failed."));
    }

    // Progress is kept up to date in place on a terminal and left out of pipes and files.
    void progressOnlyOnATerminal()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript) << QStringLiteral("script"));
        Shell sh;
        // A chroot or container without /dev/pts cannot give anyone a terminal.
        if (sh.bash(QStringLiteral("script -qec true /dev/null")).code != 0)
            QSKIP("no pseudo-terminal can be opened here (is /dev/pts mounted?)");
        TestFiles::writePdf(sh.docs + QStringLiteral("/six.pdf"), 6);
        TestFiles::writePdf(sh.docs + QStringLiteral("/two.pdf"), 2);
        // script gives the program a pseudo-terminal and copies what it shows to its output.
        Result r = sh.bash(QStringLiteral("script -qec 'lumenpage-batch -o ../out six.pdf two.pdf' /dev/null"));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QStringLiteral("\r[1/2] six.pdf  6/6 pages")), qPrintable(r.out));
        // Each file's line shows its own count, never the one before it.
        QVERIFY2(r.out.contains(QStringLiteral("\r[2/2] two.pdf  2/2 pages")) && !r.out.contains(QStringLiteral("two.pdf  6/6")),
                 qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("Done.")));
        // Interrupted, the line is ended, so that the shell's prompt starts on a line of its own.
        // Long enough that the signal comes well before the last page on a fast idle machine too
        // (80 pages took under 2 s there).
        TestFiles::writePdf(sh.docs + QStringLiteral("/long.pdf"), 800);
        r = sh.bash(QStringLiteral("script -qec 'timeout -s INT 2 lumenpage-batch -o ../out long.pdf' /dev/null"));
        QVERIFY2(r.out.contains(QStringLiteral("[1/1] long.pdf")) && r.out.endsWith(QLatin1Char('\n'))
                     && !r.out.contains(QStringLiteral("Done.")), qPrintable(r.out));
        // One wording from the first page drawn, also before the page count is known (the bw
        // method's first page comes before its count).
        static const QRegularExpression status(QStringLiteral("^\\[1/1\\] long\\.pdf(  \\d+/(\\d+|\\?) pages)?(\\x1b\\[K)?\\s*$"));
        for (const QString &method : {QStringLiteral("ghostscript"), QStringLiteral("bw")}) {
            r = sh.bash(QStringLiteral("script -qec 'timeout -s INT 2 lumenpage-batch -m %1 -o ../out long.pdf' /dev/null").arg(method));
            const QStringList shown = r.out.split(QLatin1Char('\r')).filter(QStringLiteral("[1/1]"));
            QVERIFY2(shown.size() > 1, qPrintable(r.out));
            for (const QString &line : shown)
                QVERIFY2(status.match(line).hasMatch(), qPrintable(method + QStringLiteral(": ") + line));
        }

        r = sh.bash(QStringLiteral("lumenpage-batch -o ../out six.pdf 2>&1 | cat"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Done.\n"));
        // -q: not even on a terminal.
        r = sh.bash(QStringLiteral("script -qec 'lumenpage-batch -q -o ../out six.pdf' /dev/null"));
        QCOMPARE(r.code, 0);
        QVERIFY2(!r.out.contains(QStringLiteral("pages")) && !r.out.contains(QStringLiteral("Done.")), qPrintable(r.out));
    }

    // --watch: a burst dropped into a watched folder, three PDFs among it written slowly (held
    // open through pauses of several looks), one damaged, one written under another name and then
    // renamed, one in a folder below; beside them what another user could put there (a link to a
    // PDF outside, a link to a folder outside, a FIFO). The watcher is killed with SIGKILL halfway
    // and started again on its record, and a PDF replaced after it was converted (by a version a
    // page shorter) is converted again. Then: one set of GIFs per PDF as it now is (the dropped
    // page's GIF gone), one "done" line per version, never a version read that was not the
    // finished file, the damaged one failed once, GIFs written before the kill left alone, and
    // nothing of the links or the FIFO.
    void watchedFolder()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the default method
        Shell sh;
        const QString in = sh.docs + QStringLiteral("/in"), stage = sh.home.filePath(QStringLiteral("stage")),
                      outside = sh.home.filePath(QStringLiteral("outside"));
        for (const QString &d : {in + QStringLiteral("/sub"), stage, outside})
            QVERIFY(QDir().mkpath(d));
        QStringList expected; // the GIFs of the PDFs as they end
        for (int i = 1; i <= 24; ++i) {
            const QString name = i == 24 ? QStringLiteral("upper") : QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0'));
            // f01 is replaced later by a version of one page: its second page's GIF goes.
            TestFiles::writePdf(stage + QLatin1Char('/') + name + (i == 24 ? QStringLiteral(".PDF") : QStringLiteral(".pdf")), i == 1 ? 2 : 1);
            expected << name + QStringLiteral("-001.gif");
        }
        for (const QString &name : {QStringLiteral("slow1"), QStringLiteral("slow2"), QStringLiteral("slow3")}) {
            TestFiles::writePdf(stage + QLatin1Char('/') + name + QStringLiteral(".pdf"), 2);
            expected << name + QStringLiteral("-001.gif") << name + QStringLiteral("-002.gif");
        }
        TestFiles::writePdf(stage + QStringLiteral("/renamed.tmp"), 1);
        TestFiles::writePdf(in + QStringLiteral("/sub/deep.pdf"), 1);
        TestFiles::writePdf(outside + QStringLiteral("/secret.pdf"), 1);
        TestFiles::writeBytes(stage + QStringLiteral("/zz-damaged.pdf"), TestPdfs::damaged());
        expected << QStringLiteral("renamed-001.gif") << QStringLiteral("deep-001.gif");
        QVERIFY(QFile::link(outside + QStringLiteral("/secret.pdf"), in + QStringLiteral("/link.pdf")));
        QVERIFY(QFile::link(outside, in + QStringLiteral("/away")));
        QCOMPARE(::mkfifo(QFile::encodeName(in + QStringLiteral("/fifo.pdf")).constData(), 0600), 0);

        const QString record = sh.home.filePath(QStringLiteral("run.jsonl"));
        const QStringList args{"--watch", "in", "--recursive", "-o", "../out", "--report", "../run.jsonl"};
        const auto start = [&](QProcess &p) {
            p.setProcessEnvironment(sh.environment());
            p.setWorkingDirectory(sh.docs);
            p.start(TestFiles::appFolder() + QStringLiteral("/lumenpage-batch"), args);
            return p.waitForStarted();
        };
        // The record's lines of a status, by the PDF's name (file-level lines only for "failed").
        const auto linesOf = [&](const QString &status) {
            QList<QPair<QString, QJsonObject>> found;
            QFile file(record);
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray &line : file.readAll().split('\n')) {
                    const QJsonObject o = QJsonDocument::fromJson(line).object();
                    if (o.value(QStringLiteral("status")).toString() == status && !o.contains(QStringLiteral("page")))
                        found.append({QFileInfo(o.value(QStringLiteral("file")).toString()).fileName(), o});
                }
            return found;
        };
        const auto doneCount = [&](const QString &pdf) {
            int n = 0;
            for (const auto &[name, line] : linesOf(QStringLiteral("done")))
                n += name == pdf;
            return n;
        };
        QElapsedTimer clock;
        clock.start();
        const auto waitFor = [&](const std::function<bool()> &done, QProcess &watcher) {
            while (!done()) {
                if (clock.elapsed() > 100000 || watcher.state() != QProcess::Running)
                    return false;
                QThread::msleep(20);
                QCoreApplication::processEvents(); // the processes' ends are told through events
            }
            return true;
        };

        // Where the file system cannot tell a file still open for writing (no read leases), the
        // watcher has only settled sizes and times: the slow writers then pause for less than a
        // look's interval, not through several looks.
        const bool leases = [&in] {
            const QString probe = in + QStringLiteral("/.lease-probe");
            TestFiles::writeBytes(probe, "x");
            const int fd = ::open(QFile::encodeName(probe).constData(), O_RDONLY);
            const bool works = fd >= 0 && ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
            if (fd >= 0)
                ::close(fd);
            QFile::remove(probe);
            return works;
        }();
        if (!leases)
            qInfo("no read leases here: the slow writers pause briefly");
        const QStringList pauses = leases ? QStringList{"0.5", "1.5", "1"} : QStringList{"0.05", "0.1", "0.1"};
        QProcess watcher, drop;
        QVERIFY(start(watcher));
        drop.setWorkingDirectory(sh.docs);
        drop.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral(
            "slow() { local size i; size=$(stat -c %s \"$1\"); exec 3>\"$2\"; for i in 0 1 2 3; do "
            "dd if=\"$1\" iflag=skip_bytes,count_bytes skip=$((i*size/4)) count=$(((i+1)*size/4-i*size/4)) status=none >&3; "
            "sleep $3; done; exec 3>&-; }\n"
            "mv ../stage/f*.pdf ../stage/upper.PDF ../stage/zz-damaged.pdf in/\n"
            "slow ../stage/slow1.pdf in/slow1.pdf %1 & slow ../stage/slow2.pdf in/slow2.pdf %2 & "
            "slow ../stage/slow3.pdf in/sub/slow3.pdf %3 &\n"
            "cp ../stage/renamed.tmp in/ && sleep 1 && mv in/renamed.tmp in/renamed.pdf; wait").arg(pauses[0], pauses[1], pauses[2])});
        QVERIFY2(waitFor([&] { return linesOf(QStringLiteral("done")).size() >= 8; }, watcher),
                 qPrintable(watcher.readAllStandardError()));
        ::kill(pid_t(watcher.processId()), SIGKILL);
        QVERIFY(watcher.waitForFinished(10000));
        QSet<QString> doneBeforeKill;
        for (const auto &[name, line] : linesOf(QStringLiteral("done")))
            doneBeforeKill << QFileInfo(name).completeBaseName();
        const QDateTime killed = QDateTime::currentDateTime();
        QVERIFY(doneBeforeKill.size() < 29);

        QProcess again;
        QVERIFY(start(again));
        QVERIFY2(waitFor([&] { return drop.state() == QProcess::NotRunning && linesOf(QStringLiteral("done")).size() >= 29; }, again),
                 qPrintable(again.readAllStandardError()));
        QVERIFY(doneCount(QStringLiteral("f01.pdf")) == 1);
        QVERIFY(QFileInfo::exists(sh.out + QStringLiteral("/f01-002.gif")));
        TestFiles::writePdf(stage + QStringLiteral("/f01.pdf"), 1);
        QCOMPARE(::rename(QFile::encodeName(stage + QStringLiteral("/f01.pdf")).constData(),
                          QFile::encodeName(in + QStringLiteral("/f01.pdf")).constData()), 0);
        QVERIFY2(waitFor([&] { return doneCount(QStringLiteral("f01.pdf")) == 2; }, again), qPrintable(again.readAllStandardError()));
        QThread::msleep(1500); // a few more looks: nothing else is converted
        ::kill(pid_t(again.processId()), SIGTERM);
        QVERIFY(again.waitForFinished(30000));
        QCOMPARE(again.exitCode(), 128 + SIGTERM);

        expected.sort();
        QCOMPARE(sh.gifs(), expected);
        const auto failed = linesOf(QStringLiteral("failed"));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first, QStringLiteral("zz-damaged.pdf"));
        QCOMPARE(failed.first().second.value(QStringLiteral("kind")).toString(), QStringLiteral("file-failed"));
        // Each version read is the file as it ended (the first f01 aside), and read once.
        QHash<QString, QStringList> versions;
        for (const auto &[name, line] : linesOf(QStringLiteral("done")))
            versions[name] << line.value(QStringLiteral("source")).toObject().value(QStringLiteral("blake2b256")).toString();
        QCOMPARE(versions.size(), 30 - 1);
        for (auto it = versions.cbegin(); it != versions.cend(); ++it) {
            QDirIterator found(in, {it.key()}, QDir::Files, QDirIterator::Subdirectories);
            QVERIFY2(found.hasNext(), qPrintable(it.key()));
            QFile pdf(found.next());
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            QCOMPARE(it->last(), QString::fromLatin1(QCryptographicHash::hash(pdf.readAll(), QCryptographicHash::Blake2b_256).toHex()));
            QCOMPARE(it->size(), it.key() == QLatin1String("f01.pdf") ? 2 : 1);
            QCOMPARE(QSet<QString>(it->cbegin(), it->cend()).size(), it->size());
        }
        for (const QString &base : std::as_const(doneBeforeKill))
            if (base != QLatin1String("f01"))
                QVERIFY2(QFileInfo(sh.out + QLatin1Char('/') + base + QStringLiteral("-001.gif")).lastModified() < killed, qPrintable(base));
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    // The README's recipe for many files: one lumenpage-batch per file, two at a time, all
    // writing into one output folder. Every page of every file arrives.
    void gnuParallelSpreadsABatch()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript) << QStringLiteral("parallel"));
        Shell sh;
        const struct { const char *name; int pages; } files[] = {
            {"alpha.pdf", 3}, {"two words.pdf", 2}, {"gamma.pdf", 1}, {"delta.pdf", 2}, {"epsilon.pdf", 1}};
        QStringList expected;
        for (const auto &f : files) {
            TestFiles::writePdf(sh.docs + QLatin1Char('/') + QLatin1String(f.name), f.pages);
            for (int page = 1; page <= f.pages; ++page)
                expected << QString::fromLatin1(f.name).chopped(4) + QStringLiteral("-%1.gif").arg(page, 3, 10, QLatin1Char('0'));
        }
        expected.sort();
        const Result r = sh.bash(QStringLiteral("parallel -j2 lumenpage-batch -o ../out ::: *.pdf"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(sh.gifs(), expected);
        QCOMPARE(r.out.count(QStringLiteral("Done.\n")), 5);
        // Each run cleaned up after itself.
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The README's recipes for other machines, run against a second one (SecondMachine). Each
    // PDF (and the password file) goes into a folder of its own there, its GIFs come back, and
    // that folder goes: nothing of the batch, not even an empty folder, is left over there.
    void gnuParallelOnASecondMachine()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript) << QStringLiteral("parallel") << QStringLiteral("ssh")
                        << QStringLiteral("ssh-keygen") << QStringLiteral("rsync") << QStringLiteral("sshd"));
        Shell sh;
        SecondMachine second(sh);
        const QString why = second.start();
        if (!why.isEmpty()) {
            if (geteuid() != 0)
                QSKIP(qPrintable(QStringLiteral("no ssh server could be started without root: ") + why));
            QFAIL(qPrintable(why));
        }
        const QString keys = second.keys;

        const struct { const char *name; int pages; } files[] = {{"alpha", 2}, {"two words", 1}, {"gamma", 3}};
        for (const auto &f : files)
            TestFiles::writePdf(sh.docs + QLatin1Char('/') + QLatin1String(f.name) + QStringLiteral(".pdf"), f.pages);
        const auto gifsOf = [&](const QString &name) {
            return QDir(sh.docs + QLatin1Char('/') + name + QStringLiteral(".gifs")).entryList(QDir::Files, QDir::Name);
        };
        // Debian 12's parallel quotes names for rsync's older way of reading them (see README).
        Result r = sh.bash(QStringLiteral("export RSYNC_OLD_ARGS=1; parallel --ssh 'ssh -F %1/config' -S 2/second --wd ... "
                                   "--trc {.}.gifs 'mkdir -p {.}.gifs && lumenpage-batch -o {.}.gifs {}' ::: *.pdf")
                        .arg(keys));
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        QCOMPARE(r.out.count(QStringLiteral("Done.\n")), 3);
        for (const auto &f : files) {
            QStringList expected;
            for (int page = 1; page <= f.pages; ++page)
                expected << QLatin1String(f.name) + QStringLiteral("-%1.gif").arg(page, 3, 10, QLatin1Char('0'));
            QCOMPARE(gifsOf(QLatin1String(f.name)), expected);
        }
        QCOMPARE(second.leftOver(), QStringList());

        // A locked PDF: the password file is read over there, so it travels with each PDF.
        QVERIFY(TestPdfs::writeLocked(sh.docs + QStringLiteral("/alpha.pdf"), sh.docs + QStringLiteral("/locked.pdf"),
                                      QStringLiteral("secret")));
        TestFiles::writeBytes(sh.docs + QStringLiteral("/report-password"), "secret\n");
        r = sh.bash(QStringLiteral("export RSYNC_OLD_ARGS=1; parallel --ssh 'ssh -F %1/config' -S 2/second --wd ... "
                                   "--trc {.}.gifs --tf {} --tf report-password "
                                   "'mkdir -p {.}.gifs && lumenpage-batch --password-file report-password -o {.}.gifs {}' "
                                   "::: locked.pdf gamma.pdf")
                        .arg(keys));
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        QCOMPARE(gifsOf(QStringLiteral("locked")), (QStringList{QStringLiteral("locked-001.gif"), QStringLiteral("locked-002.gif")}));
        QCOMPARE(gifsOf(QStringLiteral("gamma")).size(), 3);
        QCOMPARE(second.leftOver(), QStringList());
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
