#pragma once

#include <QStringList>
#include <QTreeWidget>

// The InputFileList as the window shows it: one column, one row per entry, the entry's text
// being the full path. Positions run from 1 to count(). The control reports the user's gestures
// (Delete, double-click, drops of file lists) as signals; the window decides what they do.
class InputFileList : public QTreeWidget {
    Q_OBJECT
public:
    explicit InputFileList(QWidget *parent = nullptr);

    void append(const QString &path);
    int count() const;
    // Throws Failure for a position outside 1..count(): the list may shrink while a run yields.
    QString entryAt(int position) const;
    QStringList entries() const;
    void removeSelected();
    void clearEntries();

    // The local paths of a drag's file list; empty when the data is no file list.
    static QStringList droppedPaths(const QMimeData *data);

signals:
    void deletePressed();
    void entryDoubleClicked();
    void pathsDropped(const QStringList &paths);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
