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
/* Titles sit on the desktop's button face, which is dark under a dark theme: they get a light
   background of their own so that the navy reads under any theme. */
QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 4px;
    color: #1d3557;
    background: #ffffff;
    border: 1px solid #9aa7b8;
    border-radius: 3px;
}
QGroupBox::title:disabled {
    color: #8a96a6;
    border-color: #c3c9d1;
}
QGroupBox:disabled {
    border-color: #c3c9d1;
}
/* Where the skin forces a white background it also forces dark text. */
QTreeView {
    border: 1px solid #7a8ca5;
    background: #ffffff;
    color: #000000;
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
    color: #000000;
    padding: 1px 3px;
}
QLineEdit:disabled {
    color: #8a8a8a;
    background: #f4f4f4;
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
