/* Lumenpage skin: a Qt style sheet. Backgrounds come from the window (button face). */
QPushButton {
    color: #1d3557;
    border: 1px solid #7a8ca5;
    border-radius: 4px;
    padding: 2px 10px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #dce3ec);
}
QPushButton:hover {
    border-color: #3a6ea5;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #cfe0f3);
}
QPushButton:pressed {
    background: #bcd2ea;
}
QGroupBox {
    border: 1px solid #9aa7b8;
    border-radius: 4px;
    margin-top: 7px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 3px;
    color: #1d3557;
}
QGroupBox:disabled {
    border-color: #c3c9d1;
}
QTreeView {
    border: 1px solid #7a8ca5;
    background: #ffffff;
    selection-background-color: #3a6ea5;
}
QHeaderView::section {
    color: #1d3557;
    padding: 2px 4px;
    border: none;
    border-bottom: 1px solid #9aa7b8;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #e4e9f0);
}
QLineEdit {
    border: 1px solid #7a8ca5;
    border-radius: 3px;
    background: #ffffff;
    padding: 1px 3px;
}
QProgressBar {
    border: 1px solid #7a8ca5;
    border-radius: 4px;
    background: #ffffff;
    color: #1d3557;
    text-align: center;
}
QProgressBar::chunk {
    border-radius: 3px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #8fc1ef, stop:1 #4a8fd0);
}
