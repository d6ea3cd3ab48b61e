#include "app/file_list_box.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

#include <algorithm>

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent), path_(QDir::currentPath()), pattern_(QStringLiteral("*.*"))
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, &FileListBox::onSelectionChanged);
    connect(this, &QAbstractItemView::clicked, this, &FileListBox::onClicked);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FileListBox::refresh);
    refresh();
}

void FileListBox::setPattern(const QString &pattern)
{
    pattern_ = pattern;
    changingByProgram_ = true;
    clear();
    changingByProgram_ = false;
    refresh();
}

void FileListBox::setPath(const QString &folder)
{
    path_ = QDir::cleanPath(QDir(path_).absoluteFilePath(folder));
    wanted_.clear();
    changingByProgram_ = true;
    clear();
    changingByProgram_ = false;
    refresh();
}

QString FileListBox::fileName() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileListBox::setFileName(const QString &name)
{
    QString bare = name;
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo info(QDir(path_), name);
        setPath(info.absolutePath());
        bare = info.fileName();
    }
    wanted_ = bare;
    refresh(); // the name may be one the pattern leaves out
    changingByProgram_ = true;
    selectRemembered();
    changingByProgram_ = false;
}

void FileListBox::refresh()
{
    watch();
    // On Unix a name filter without QDir::CaseSensitive matches regardless of case.
    QStringList names =
        QDir(path_).entryList(QStringList{pattern_}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    // The name the program selected is listed even when the pattern leaves it out,
    // so that the list always shows what was selected and is read through it.
    if (!wanted_.isEmpty() && !names.contains(wanted_) &&
        QFileInfo(QDir(path_), wanted_).isFile()) {
        const auto after = std::find_if(names.begin(), names.end(), [this](const QString &n) {
            return QString::compare(n, wanted_, Qt::CaseInsensitive) > 0;
        });
        names.insert(after, wanted_);
    }
    QStringList shown;
    for (int row = 0; row < count(); ++row)
        shown.append(item(row)->text());
    if (names == shown)
        return;

    changingByProgram_ = true;
    clear();
    addItems(names);
    selectRemembered();
    changingByProgram_ = false;
}

void FileListBox::watch()
{
    const QStringList watched = watcher_.directories();
    if (watched.size() == 1 && watched.first() == path_)
        return;
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    if (QFileInfo(path_).isDir())
        watcher_.addPath(path_);
}

void FileListBox::selectRemembered()
{
    QListWidgetItem *match = nullptr;
    if (!wanted_.isEmpty()) {
        const QList<QListWidgetItem *> found = findItems(wanted_, Qt::MatchFixedString);
        for (QListWidgetItem *candidate : found) {
            if (!match || candidate->text() == wanted_)
                match = candidate;
        }
    }
    if (match) {
        setCurrentItem(match);
        scrollToItem(match);
    } else {
        clearSelection();
    }
}

void FileListBox::onSelectionChanged()
{
    if (changingByProgram_)
        return;
    const QString name = fileName();
    if (name.isEmpty())
        return;
    wanted_ = name;
    emit Click();
}

void FileListBox::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    pressedOnSelected_ = index.isValid() && selectionModel()->isSelected(index);
    QListWidget::mousePressEvent(event);
}

void FileListBox::onClicked(const QModelIndex &index)
{
    // A click on the name already selected changes nothing, yet the operator
    // chose it again (to open it once more, say): that is a click all the same.
    if (pressedOnSelected_ && index.isValid() && selectionModel()->isSelected(index))
        emit Click();
    pressedOnSelected_ = false;
}

QItemSelectionModel::SelectionFlags FileListBox::selectionCommand(const QModelIndex &index,
                                                                  const QEvent *event) const
{
    // The operator can move the selection but not clear it: Ctrl+click on the
    // selected name, or a click below the last one, leaves it as it is.
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    if (!index.isValid() ||
        command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return command;
}
