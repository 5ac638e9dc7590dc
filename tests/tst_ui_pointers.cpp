// The window's pointer: reading .cur files, and the wait states that hovers never replace.

#include "tests/support/testsupport.h"
#include "ui/form1.h"
#include "ui/pointers.h"
#include "sys/errortrap.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray handPointerBytes()
{
    QFile file(TestFiles::appFolder() + QStringLiteral("/HAND-M.CUR"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void moveOver(QWidget *w, QPoint at = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

} // namespace

class TestPointers : public QObject {
    Q_OBJECT
private slots:
    void readsTheHotSpot()
    {
        const QByteArray bytes = handPointerBytes();
        QVERIFY(bytes.size() > 22);
        QTemporaryDir dir;
        // The same picture with a hot spot of our own: the file's, not the picture's centre.
        QByteArray moved = bytes;
        qToLittleEndian<quint16>(3, moved.data() + 10);
        qToLittleEndian<quint16>(7, moved.data() + 12);
        const QString path = dir.filePath(QStringLiteral("moved.cur"));
        TestFiles::writeBytes(path, moved);
        const QCursor cursor = ReadPointerFile(path);
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(3, 7));
        QVERIFY(!cursor.pixmap().isNull());
    }

    void refusesWhatIsNoPointer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        const QByteArray hand = handPointerBytes();
        QByteArray icon = hand; // an icon file says type 1 where a pointer says 2
        if (icon.size() > 3)
            qToLittleEndian<quint16>(1, icon.data() + 2);
        QTest::newRow("empty") << QByteArray() << ErrorCode::InvalidPicture;
        QTest::newRow("text") << QByteArray("this is not a pointer, just words") << ErrorCode::InvalidPicture;
        QTest::newRow("header only") << hand.left(22) << ErrorCode::InvalidPicture;
        QTest::newRow("icon type") << icon << ErrorCode::InvalidPicture;
        QTest::newRow("picture cut short") << hand.left(hand.size() / 2) << ErrorCode::InvalidPicture;
    }
    void refusesWhatIsNoPointer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HAND-M.CUR"));
        TestFiles::writeBytes(path, bytes);
        try {
            ReadPointerFile(path);
            QFAIL("read as a pointer");
        } catch (const Failure &failure) {
            QCOMPARE(failure.code(), code);
            QVERIFY2(failure.description().contains(path), qPrintable(failure.description()));
        }
    }

    void unreadableFile()
    {
        QTemporaryDir dir;
        try {
            ReadPointerFile(dir.filePath(QStringLiteral("missing.cur")));
            QFAIL("read a missing file");
        } catch (const Failure &failure) {
            QCOMPARE(failure.code(), ErrorCode::PathFileAccess);
        }
    }

    // A damaged pointer file is reported where the window loads, and the window keeps the
    // default pointer over its buttons.
    void damagedPointerInTheWindow()
    {
        QTemporaryDir dir;
        const QString app = dir.filePath(QStringLiteral("app"));
        QDir().mkpath(app);
        TestFiles::writeBytes(app + QStringLiteral("/HAND-M.CUR"), handPointerBytes().left(30));
        FakeDialogs dialogs;
        Form1Options options;
        options.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        options.appFolder = app;
        options.unload = [] {};
        Form1 form(dialogs, options);
        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes[0].title, QStringLiteral("Application Error"));
        QVERIFY(dialogs.boxes[0].text.contains(Form1Locations::FormLoad + QStringLiteral("at line 106")));
        QVERIFY(!form.handPointerLoaded());
        moveOver(form.PushButton1);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        // Loading went on after the pointer.
        QCOMPARE(form.windowTitle(), QStringLiteral("Lumenpage"));
    }

    // Folder walks nest inside each other and inside a run; the WaitPointer stays until the
    // last of them ends.
    void waitStatesNest()
    {
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("b"), &window);
        WindowPointers pointers(window);
        pointers.watchButtons({button});
        pointers.watchBackgrounds({&window});
        QVERIFY(!pointers.waitShown());

        pointers.setRunWait(true);
        pointers.setWalking(true);
        pointers.setWalking(true);
        pointers.setRunWait(false);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        pointers.setWalking(false);
        QVERIFY(pointers.waitShown());
        moveOver(button);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        pointers.setWalking(false);
        QVERIFY(!pointers.waitShown());
        // No hand pointer loaded: buttons keep the arrow.
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void hourglassGoesWithItsOwner()
    {
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        {
            QWidget window;
            WindowPointers pointers(window);
            pointers.setAppWait(true);
            pointers.setAppWait(true);
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        // A window closed during a run does not leave the hourglass over the whole program.
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(TestPointers)
#include "tst_ui_pointers.moc"
