#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

// The keyboard focus drawn as a ring around the focused control, in a colour that stands out
// from the window's background by 3:1 or more under any theme: the style's own focus mark is a
// faint fill on the buttons. It stands on `page`, above the controls, for whichever control on
// the page has the focus, and lets every mouse event through.
class FocusRing : public QWidget {
public:
    FocusRing(QWidget &page, const QColor &colour);

    QWidget *target() const { return m_target; }
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(QWidget *focused);
    void place();

    QWidget &m_page;
    const QColor m_colour;
    QPointer<QWidget> m_target;
};
