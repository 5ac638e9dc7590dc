#include "ui/pointers.h"

#include "sys/errortrap.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <QtEndian>

QCursor ReadPointerFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("The pointer %1 cannot be read: %2").arg(path, file.errorString()), ErrorCode::PathFileAccess);
    const QByteArray bytes = file.readAll();
    // A .cur file keeps its hot spot in the first directory entry.
    if (bytes.size() < 22 || qFromLittleEndian<quint16>(bytes.constData() + 2) != 2)
        throw Failure(QStringLiteral("%1 is not a pointer file").arg(path), ErrorCode::InvalidPicture);
    const int hotX = qFromLittleEndian<quint16>(bytes.constData() + 10);
    const int hotY = qFromLittleEndian<quint16>(bytes.constData() + 12);
    QImage image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes, "ICO"))
        throw Failure(QStringLiteral("%1 is not a pointer file").arg(path), ErrorCode::InvalidPicture);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

WindowPointers::WindowPointers(QWidget &window) : m_window(window) {}

WindowPointers::~WindowPointers()
{
    if (m_appWait)
        QApplication::restoreOverrideCursor();
}

void WindowPointers::loadHandPointer(const QString &path)
{
    m_handPointer = ReadPointerFile(path);
}

void WindowPointers::watchButtons(std::initializer_list<QWidget *> widgets)
{
    watch(widgets, Kind::Button);
}

void WindowPointers::watchBackgrounds(std::initializer_list<QWidget *> widgets)
{
    watch(widgets, Kind::Background);
}

void WindowPointers::watchPlain(std::initializer_list<QWidget *> widgets)
{
    watch(widgets, Kind::Plain);
}

void WindowPointers::watch(std::initializer_list<QWidget *> widgets, Kind kind)
{
    for (QWidget *w : widgets) {
        m_watched.insert(w, kind);
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void WindowPointers::setRunWait(bool on)
{
    m_runWait = on;
    apply();
}

void WindowPointers::setWalking(bool on)
{
    m_walkDepth += on ? 1 : -1;
    apply();
}

void WindowPointers::setAppWait(bool on)
{
    // Qt's override cursors stack, so only a change of state touches them.
    if (on == m_appWait)
        return;
    m_appWait = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void WindowPointers::apply()
{
    if (waitShown())
        m_window.setCursor(Qt::WaitCursor);
    else if (m_hover == Hover::Hand && m_handPointer)
        m_window.setCursor(*m_handPointer);
    else
        m_window.setCursor(Qt::ArrowCursor);
}

bool WindowPointers::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove)
        return false;
    const auto kind = m_watched.constFind(watched);
    if (kind == m_watched.cend())
        return false;
    switch (*kind) {
    case Kind::Button:
        m_hover = Hover::Hand;
        apply();
        break;
    case Kind::Background: {
        // Moves over a control on a background are passed up to it when the control does not
        // take them; they do not count. A background seen through the window's (the page in
        // the scroll area) is background still.
        const auto *widget = static_cast<const QWidget *>(watched);
        const auto *move = static_cast<const QMouseEvent *>(event);
        const QWidget *under = widget->childAt(move->position().toPoint());
        const auto underKind = m_watched.constFind(under);
        if (!under || (underKind != m_watched.cend() && *underKind == Kind::Background)) {
            m_hover = Hover::Default;
            apply();
        }
        break;
    }
    case Kind::Plain:
        m_hover = Hover::Default;
        apply();
        break;
    }
    return false;
}
