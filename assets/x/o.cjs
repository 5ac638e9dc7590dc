/* Lumenpage skin: a Qt style sheet. It gives the controls their shapes; their colours the
   program derives from the desktop's (the button face for backgrounds, every text and edge made
   to read on it), so that the skin looks the same under a light and a dark theme. */
QPushButton {
    border-radius: 4px;
    padding: 2px 10px;
}
QGroupBox {
    border-radius: 4px;
    margin-top: 7px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 4px;
}
QHeaderView::section {
    padding: 2px 4px;
}
QLineEdit {
    border-radius: 3px;
    padding: 1px 3px;
}
QProgressBar {
    border-radius: 4px;
    text-align: center;
}
QProgressBar::chunk {
    border-radius: 3px;
}
