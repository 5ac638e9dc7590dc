// The installed program: what `cmake --install` lays out, and that an installed copy finds its
// AppFolder relative to itself, under any prefix and with the build tree out of reach.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "engine/methods/methods.h"
#include "sys/appfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(300000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
}

void makeDirs(const QString &root, const QStringList &dirs)
{
    for (const QString &d : dirs)
        QVERIFY(QDir().mkpath(root + QLatin1Char('/') + d));
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    QString m_root; // the staged installation: <root>/usr/bin, <root>/usr/share, ...
    QTemporaryDir m_debFolder;
    QString m_deb; // the package debianPackage built, for the checks after it

private slots:
    void initTestCase()
    {
        QVERIFY(m_scratch.isValid());
        // Installed as a package would be (prefix /usr), staged into a scratch root.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_scratch.filePath(QStringLiteral("staged")));
        const Run r = run(QStringLiteral(LP_CMAKE),
                          {QStringLiteral("--install"), QStringLiteral(LP_BUILD_DIR), QStringLiteral("--prefix"),
                           QStringLiteral("/usr")},
                          env);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        // Moved away from where it was installed: nothing may point back into the staging
        // place or the build tree.
        m_root = m_scratch.filePath(QStringLiteral("moved"));
        QVERIFY(QDir().rename(m_scratch.filePath(QStringLiteral("staged")), m_root));
    }

    void layout()
    {
        const QString usr = m_root + QStringLiteral("/usr");
        for (const QString &program : {QStringLiteral("bin/lumenpage"), QStringLiteral("bin/lumenpage-batch")}) {
            QFileInfo info(usr + QLatin1Char('/') + program);
            QVERIFY2(info.isFile() && info.isExecutable(), qPrintable(program));
        }
        const QString app = usr + QStringLiteral("/share/lumenpage");
        // The scripts the program starts are executable; those they source are not.
        const QFileDevice::Permissions executable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                    | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                    | QFileDevice::ExeOther;
        const QFileDevice::Permissions sourced = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                                 | QFileDevice::ReadOther;
        for (const auto &[script, mode] : {std::pair{QStringLiteral("ps/pdf2tiff.sh"), executable},
                                           std::pair{QStringLiteral("bw/convert.sh"), executable},
                                           std::pair{QStringLiteral("ps/compress.sh"), sourced},
                                           std::pair{QStringLiteral("shared/common.sh"), sourced}}) {
            const QFileDevice::Permissions got = QFile::permissions(app + QLatin1Char('/') + script)
                                                 & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
            QVERIFY2(got == mode, qPrintable(script + QStringLiteral(": %1").arg(int(got), 0, 16)));
        }
        QVERIFY(QFileInfo(app + QStringLiteral("/x/o.cjs")).isFile());
        QVERIFY(QFileInfo(app + QStringLiteral("/HAND-M.CUR")).isFile());
        QVERIFY(!QDir(app + QStringLiteral("/Samples")).entryList({QStringLiteral("*.pdf")}, QDir::Files).isEmpty());
        // Helpers the programs start are not on the user's path.
        QVERIFY(QFileInfo(usr + QStringLiteral("/libexec/lumenpage/lumenpage-render")).isExecutable());
        // Nothing of the AppFolder is left among the programs.
        QCOMPARE(QDir(usr + QStringLiteral("/bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("lumenpage"), QStringLiteral("lumenpage-batch")}));
        // The translations are found relative to the program, as the AppFolder is.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LC_MESSAGES"));
        env.remove(QStringLiteral("LANGUAGE"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("fr_FR.UTF-8"));
        const Run r = run(usr + QStringLiteral("/bin/lumenpage-batch"), {QStringLiteral("--output"), m_root}, env);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(QString::fromUtf8("lumenpage-batch: aucun FILE indiqué.")), qPrintable(r.err));
    }

    // The installed console tool converts a shipped sample through the installed scripts.
    void installedCopyConverts()
    {
        QTemporaryDir work;
        const QString out = work.filePath(QStringLiteral("out"));
        makeDirs(work.path(), {QStringLiteral("out"), QStringLiteral("tmp")});
        const QString sample = m_root + QStringLiteral("/usr/share/lumenpage/Samples/Quillfern Letter.pdf");
        QVERIFY(QFileInfo::exists(sample));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), work.path());
        env.insert(QStringLiteral("TEMP"), work.filePath(QStringLiteral("tmp")));
        // The script methods through the installed scripts, gflax through the installed renderer.
        const struct { QString method; QString gif; } cases[] = {
            {QStringLiteral("ghostscript"), QStringLiteral("Quillfern Letter-001.gif")},
            {QStringLiteral("bw"), QStringLiteral("Quillfern Letter-001.gif")},
            {QStringLiteral("gflax"), QStringLiteral("Quillfern Letter1.gif")},
        };
        QStringList skipped;
        for (const auto &c : cases) {
            const QString missing = TestPrograms::missing(TestPrograms::of(MethodWithCommandName(c.method)->method));
            if (!missing.isEmpty()) {
                skipped << c.method + QStringLiteral(": ") + missing;
                continue;
            }
            QStringList args{QStringLiteral("--output"), out, QStringLiteral("--method"), c.method};
            if (c.method != QLatin1String("gflax"))
                args << QStringLiteral("--first-page-only");
            const Run r = run(m_root + QStringLiteral("/usr/bin/lumenpage-batch"), args << sample, env);
            QVERIFY2(r.code == 0, qPrintable(c.method + QStringLiteral(": ") + r.err));
            QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{c.gif});
            QVERIFY(QFileInfo(out + QLatin1Char('/') + c.gif).size() > 0);
            QVERIFY(QFile::remove(out + QLatin1Char('/') + c.gif));
        }
        if (!skipped.isEmpty())
            QSKIP(qPrintable(skipped.join(QStringLiteral("; "))));
    }

    // What desktops, software centres and man read, installed where they look for it, and
    // accepted by the validators they apply.
    void desktopIntegration()
    {
        const QString share = m_root + QStringLiteral("/usr/share");
        const QString entry = share + QStringLiteral("/applications/org.lumenpage.Lumenpage.desktop");
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("Exec=lumenpage %F")));
        QVERIFY(lines.contains(QStringLiteral("MimeType=application/pdf;")));
        QVERIFY(lines.contains(QStringLiteral("Icon=org.lumenpage.Lumenpage")));

        QVERIFY(QFileInfo(share + QStringLiteral("/icons/hicolor/scalable/apps/org.lumenpage.Lumenpage.svg")).size() > 0);
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(share + QStringLiteral("/icons/hicolor/%1x%1/apps/org.lumenpage.Lumenpage.png").arg(size));
            QCOMPARE(icon.size(), QSize(size, size));
        }
        for (const QString &page : {QStringLiteral("lumenpage.1.gz"), QStringLiteral("lumenpage-batch.1.gz")}) {
            const QString path = share + QStringLiteral("/man/man1/") + page;
            const Run r = run(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
            QCOMPARE(r.code, 0);
            QVERIFY2(r.out.startsWith(QStringLiteral(".TH ")), qPrintable(page));
            QVERIFY2(r.out.contains(QStringLiteral("Lumenpage " LUMENPAGE_VERSION)), qPrintable(page));
        }

        const QString metainfo = share + QStringLiteral("/metainfo/org.lumenpage.Lumenpage.metainfo.xml");
        QFile meta(metainfo);
        QVERIFY(meta.open(QIODevice::ReadOnly));
        QVERIFY(meta.readAll().contains("<release version=\"" LUMENPAGE_VERSION "\""));

        // The validators are Debian packages the test set-up installs (desktop-file-utils, appstream).
        LP_SKIP_WITHOUT("desktop-file-validate", "appstreamcli");
        const QString desktopValidate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        const QString appstreamcli = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        Run r = run(desktopValidate, {entry});
        QVERIFY2(r.code == 0 && r.out.isEmpty() && r.err.isEmpty(), qPrintable(r.out + r.err));
        r = run(appstreamcli, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

    // The Debian package names what the programs need, carries the whole installation and the
    // copyright file, and sits in its section.
    void debianPackage()
    {
        LP_SKIP_WITHOUT("dpkg-deb", "dpkg-shlibdeps", "file");
        QTemporaryDir &out = m_debFolder;
        Run r = run(QStringLiteral(LP_CPACK), {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out.path(),
                                               QStringLiteral("--config"), QStringLiteral(LP_BUILD_DIR "/CPackConfig.cmake")});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        QVERIFY2(debs.first().startsWith(QStringLiteral("lumenpage_" LUMENPAGE_VERSION "_")), qPrintable(debs.first()));
        const QString deb = out.filePath(debs.first());
        m_deb = deb;

        r = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Package"),
                                             QStringLiteral("Section"), QStringLiteral("Depends")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QStringLiteral("Package: lumenpage\n")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("Section: graphics\n")), qPrintable(r.out));
        const QString depends = r.out.section(QStringLiteral("Depends: "), 1);
        // The programs the scripts run, and the libraries found by dpkg-shlibdeps.
        // qt6-image-formats-plugins writes TIFF and WebP pages; Qt's libraries only suggest it.
        for (const QString &package : {QStringLiteral("ghostscript"), QStringLiteral("libjpeg-turbo-progs"),
                                       QStringLiteral("qt6-qpa-plugins"), QStringLiteral("qt6-translations-l10n"),
                                       QStringLiteral("qt6-image-formats-plugins"),
                                       QStringLiteral("libqt6widgets6"), QStringLiteral("libpoppler-qt6-"),
                                       QStringLiteral("libcgif0"), QStringLiteral("libimagequant0")})
            QVERIFY2(depends.contains(package), qPrintable(package + QStringLiteral(" missing from ") + depends));

        r = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
        QCOMPARE(r.code, 0);
        for (const QString &file : {QStringLiteral("./usr/bin/lumenpage\n"), QStringLiteral("./usr/bin/lumenpage-batch\n"),
                                    QStringLiteral("./usr/share/lumenpage/ps/pdf2tiff.sh\n"),
                                    QStringLiteral("./usr/share/lumenpage/bw/convert.sh\n"),
                                    QStringLiteral("./usr/share/doc/lumenpage/copyright\n"),
                                    QStringLiteral("./usr/share/doc/lumenpage/changelog.gz\n"),
                                    QStringLiteral("./usr/share/lumenpage/translations/lumenpage_de.qm\n"),
                                    QStringLiteral("./usr/share/applications/org.lumenpage.Lumenpage.desktop\n"),
                                    QStringLiteral("./usr/share/metainfo/org.lumenpage.Lumenpage.metainfo.xml\n"),
                                    QStringLiteral("./usr/lib/systemd/user/lumenpage-watch@.service\n")})
            QVERIFY2(r.out.contains(file), qPrintable(file));
    }

    // Debian's package checker finds nothing to say against the package: no error, no warning.
    void debianPackageLintClean()
    {
        if (m_deb.isEmpty())
            QSKIP("no package was built (see debianPackage)");
        if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty())
            QSKIP("lintian is not installed: apt-get install --no-install-recommends lintian");
        const Run r = run(QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error,warning"), m_deb});
        const QStringList said = r.out.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^[EW]: ")));
        QVERIFY2(r.code == 0 && said.isEmpty(), qPrintable(r.out + r.err));
    }

    // Which folder counts as the AppFolder for a program folder.
    void appFolderRule()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        // Installed under some prefix: the data folder beside bin/.
        makeDirs(root, {QStringLiteral("prefix/bin"), QStringLiteral("prefix/share/lumenpage/ps")});
        QCOMPARE(AppFolderFor(root + QStringLiteral("/prefix/bin")), root + QStringLiteral("/prefix/share/lumenpage"));
        // A build tree: the scripts beside the executables win even over an installed copy
        // next to it.
        makeDirs(root, {QStringLiteral("src/build/ps"), QStringLiteral("src/share/lumenpage/ps")});
        QCOMPARE(AppFolderFor(root + QStringLiteral("/src/build")), root + QStringLiteral("/src/build"));
        // A file named ps (as /usr/bin/ps) does not make a program folder a build tree.
        makeDirs(root, {QStringLiteral("usr/bin"), QStringLiteral("usr/share/lumenpage")});
        TestFiles::writeBytes(root + QStringLiteral("/usr/bin/ps"), "#!/bin/sh\n");
        QCOMPARE(AppFolderFor(root + QStringLiteral("/usr/bin")), root + QStringLiteral("/usr/share/lumenpage"));
        // Neither: the program's own folder, where the methods will say what is missing.
        makeDirs(root, {QStringLiteral("bare")});
        QCOMPARE(AppFolderFor(root + QStringLiteral("/bare")), root + QStringLiteral("/bare"));
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
