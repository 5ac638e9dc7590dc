#include "inputlist/inputfilelist.h"

#include "sys/errortrap.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

InputFileList::InputFileList(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void InputFileList::append(const QString &path)
{
    auto *item = new QTreeWidgetItem(this);
    item->setText(0, path);
}

int InputFileList::count() const
{
    return topLevelItemCount();
}

QString InputFileList::entryAt(int position) const
{
    if (position < 1 || position > count())
        throw Failure(QCoreApplication::translate("Files", "Index out of bounds"), ErrorCode::IndexOutOfBounds);
    return topLevelItem(position - 1)->text(0);
}

QStringList InputFileList::entries() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << topLevelItem(i)->text(0);
    return out;
}

void InputFileList::removeSelected()
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return;
    delete takeTopLevelItem(indexOfTopLevelItem(selected.first()));
}

void InputFileList::clearEntries()
{
    clear();
}

QStringList InputFileList::droppedPaths(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        // Only a list of files counts; a link to a web page is not a file.
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

void InputFileList::keyPressEvent(QKeyEvent *event)
{
    // Any modifier with Delete acts like Delete alone.
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void InputFileList::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Removes the selected entry; the file itself is never opened.
    emit entryDoubleClicked();
    event->accept();
}

void InputFileList::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void InputFileList::dragMoveEvent(QDragMoveEvent *event)
{
    if (droppedPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void InputFileList::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pathsDropped(paths);
}
