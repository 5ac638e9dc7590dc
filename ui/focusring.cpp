#include "ui/focusring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {
constexpr int Gap = 1;   // between the control and the ring
constexpr int Width = 2; // of the ring
} // namespace

FocusRing::FocusRing(QWidget &page, const QColor &colour) : QWidget(&page), m_page(page), m_colour(colour)
{
    setObjectName(QStringLiteral("FocusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
}

void FocusRing::follow(QWidget *focused)
{
    // A box whose focus is passed on to its own text field is ringed as a whole.
    while (focused && focused->parentWidget() && focused->parentWidget()->focusProxy() == focused)
        focused = focused->parentWidget();
    if (focused && !m_page.isAncestorOf(focused))
        focused = nullptr;
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = focused;
    if (m_target)
        m_target->installEventFilter(this);
    place();
}

void FocusRing::place()
{
    if (!m_target || !m_target->isVisible()) {
        hide();
        return;
    }
    const int margin = Gap + Width;
    setGeometry(QRect(m_target->mapTo(&m_page, QPoint(0, 0)), m_target->size()).adjusted(-margin, -margin, margin, margin));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            place();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QPen pen(m_colour, Width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(rect()).adjusted(Width / 2.0, Width / 2.0, -Width / 2.0, -Width / 2.0));
}
