#include "app/file_list_box.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

FileListBox::FileListBox(QWidget *parent)
    : QListView(parent), path_(QDir::currentPath()), pattern_(QStringLiteral("*.*"))
{
    setModel(rows_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FileListBox::onSelectionChanged);
    connect(this, &QAbstractItemView::clicked, this, &FileListBox::onClicked);
    gather_.setSingleShot(true);
    gather_.setInterval(refreshDelayMs);
    connect(&watcher_, &FolderWatch::readInFull, this, &FileListBox::folderChanged);
    connect(&watcher_, &FolderWatch::entriesChanged, this, &FileListBox::entriesChanged);
    connect(&gather_, &QTimer::timeout, this, &FileListBox::gathered);
    poll_.setInterval(maxRefreshDelayMs);
    connect(&poll_, &QTimer::timeout, this, &FileListBox::folderChanged);
    connect(&reading_, &QFutureWatcher<FolderListing>::finished, this, [this] {
        // A folder that takes long to list is listed less often: whatever the churn,
        // listing it takes at most a tenth of a core.
        gather_.setInterval(
            int(std::clamp<qint64>(10 * listing_.elapsed(), refreshDelayMs, maxRefreshDelayMs)));
        // A listing of a folder or pattern since changed is not this list's any more.
        if (reading_.future().resultCount() > 0 && !readAgain_)
            showListing(reading_.result());
        if (readAgain_) {
            readAgain_ = false;
            readInBackground();
        } else if (!changed_.isEmpty()) {
            applyChangedEntries(); // told while the folder was being read
        }
    });
    refresh();
}

void FileListBox::setPattern(const QString &pattern)
{
    pattern_ = pattern;
    refresh();
}

void FileListBox::setPath(const QString &folder)
{
    path_ = QDir::cleanPath(QDir(path_).absoluteFilePath(folder));
    wanted_.clear();
    refresh();
}

QString FileListBox::fileName() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : rows_->names().at(selected.first().row());
}

QModelIndex FileListBox::indexOf(const QString &name) const
{
    const QStringList &names = rows_->names();
    const auto at = std::lower_bound(names.begin(), names.end(), name, listedBefore);
    return at != names.end() && *at == name ? rows_->index(int(at - names.begin())) : QModelIndex();
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
    if (reading_.isRunning())
        readAgain_ = true; // what it reads may be out of date already
    showListing(listFolder(path_, pattern_));
}

void FileListBox::folderChanged()
{
    readInFull_ = true;
    if (!gather_.isActive())
        gather_.start();
}

void FileListBox::entriesChanged(const QList<QByteArray> &names)
{
    for (const QByteArray &name : names)
        changed_.insert(name);
    if (!gather_.isActive())
        gather_.start();
}

void FileListBox::gathered()
{
    if (readInFull_)
        readInBackground();
    else if (!reading_.isRunning()) // else looked at once the folder is read
        applyChangedEntries();
}

// Each entry is judged as the system has it now, whatever was told of it on the
// way: what the list then shows is what a full reading would show.
void FileListBox::applyChangedEntries()
{
    const auto update = [](QStringList &list, const QString &name, bool listed,
                           const auto &before) {
        const auto at = std::lower_bound(list.begin(), list.end(), name, before);
        const bool there = at != list.end() && *at == name;
        if (there && !listed)
            list.erase(at);
        else if (!there && listed)
            list.insert(at, name);
    };
    for (const QByteArray &raw : std::as_const(changed_)) {
        const FolderEntry entry = folderEntry(path_, raw, pattern_);
        if (entry.text)
            update(listed_.names, entry.name, entry.kind == FolderEntry::Kind::Listed,
                   listedBefore);
        else
            update(listed_.unusable, entry.name, entry.kind == FolderEntry::Kind::Unusable,
                   std::less<QString>());
    }
    changed_.clear();
    showListing(listed_);
}

void FileListBox::readInBackground()
{
    if (reading_.isRunning()) {
        readAgain_ = true;
        return;
    }
    readInFull_ = false;
    changed_.clear(); // the reading sees them; any told from now on are looked at after it
    listing_.start();
    reading_.setFuture(QtConcurrent::run(listFolder, path_, pattern_));
}

void FileListBox::showListing(const FolderListing &listing)
{
    listed_ = listing;
    QStringList fresh;
    for (const QString &name : listing.unusable)
        if (!unusableTold_.contains(name))
            fresh.append(name);
    unusableTold_ += fresh;
    showNames(listing.names);
    if (!fresh.isEmpty())
        emit unusableNames(fresh);
}

void FileListBox::showNames(QStringList names)
{
    // The name the program selected is listed even when the pattern leaves it out,
    // so that the list always shows what was selected and is read through it.
    if (!wanted_.isEmpty() && !names.contains(wanted_) &&
        QFileInfo(QDir(path_), wanted_).isFile()) {
        const auto after = std::find_if(names.begin(), names.end(), [this](const QString &n) {
            return listedBefore(wanted_, n);
        });
        names.insert(after, wanted_);
    }
    if (names == rows_->names() && fileName() == wanted_)
        return;
    // Only the rows that changed are touched: a folder of thousands of programs
    // where one file comes and goes costs one row, not a new list.
    const QScopedValueRollback byProgram(changingByProgram_, true);
    rows_->setNames(std::move(names));
    selectRemembered();
}

void FileListBox::watch()
{
    if (watcher_.following() && watcher_.folder() == path_)
        return;
    // Without the system's notices (its limit of them reached, say) the folder is
    // read in full every few seconds instead.
    if (!watcher_.follow(path_) && QFileInfo(path_).isDir())
        poll_.start();
    else
        poll_.stop();
}

// The row of the name asked for, or else of one that differs from it only in case,
// as Windows would open for it.
QModelIndex FileListBox::rememberedIndex() const
{
    if (wanted_.isEmpty())
        return {};
    if (const QModelIndex exact = indexOf(wanted_); exact.isValid())
        return exact;
    const QString folded = wanted_.toCaseFolded();
    const QStringList &names = rows_->names();
    const auto at = std::partition_point(
        names.begin(), names.end(), [&](const QString &n) { return n.toCaseFolded() < folded; });
    return at != names.end() && at->toCaseFolded() == folded ? rows_->index(int(at - names.begin()))
                                                             : QModelIndex();
}

void FileListBox::selectRemembered()
{
    if (const QModelIndex match = rememberedIndex(); match.isValid()) {
        selectionModel()->setCurrentIndex(match, QItemSelectionModel::ClearAndSelect);
        scrollTo(match);
    } else {
        clearSelection();
    }
}

void FileListBox::onSelectionChanged()
{
    if (changingByProgram_)
        return;
    if (refuses_ && refuses_()) {
        const QScopedValueRollback byProgram(changingByProgram_, true);
        selectRemembered();
        return;
    }
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
    QListView::mousePressEvent(event);
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
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (!index.isValid() ||
        command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return command;
}
