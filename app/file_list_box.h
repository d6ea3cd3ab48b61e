#pragma once

#include "app/name_list_model.h"
#include "host/folder_listing.h"
#include "host/folder_watch.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QListView>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>

// A list of the files of one folder whose names match a wildcard pattern, compared
// without regard to case as on Windows. It follows the folder: files that appear or
// vanish show up within a quarter of a second (a few seconds in a folder of tens of
// thousands, whose full reading takes that much longer), and the selected name stays
// selected through it. Once the folder is listed, only the entries the system names
// as changed are looked at, so a folder that changes all the time (an editor's swap
// files, a sync tool) costs the same whatever the number of files in it, and is
// looked at at most four times a second; when the system cannot tell what changed,
// the folder is read in full again, away from the window's thread, so that the
// clock's ticks are never held up by it. Click tells that the operator selected a
// name, by mouse or keyboard; changes made by the program or by a refresh never
// raise it.
class FileListBox : public QListView
{
    Q_OBJECT

public:
    // Lists the process's working folder until told otherwise.
    explicit FileListBox(QWidget *parent = nullptr);

    QString pattern() const { return pattern_; }
    void setPattern(const QString &pattern);

    QString path() const { return path_; }
    // Points the list at another folder, with nothing selected.
    void setPath(const QString &folder);

    // The selected name, without folder; empty when nothing is selected.
    QString fileName() const;
    // The row that shows exactly this name; invalid when none does.
    QModelIndex indexOf(const QString &name) const;
    // Selects the entry of that name. A name that carries a folder first points
    // the list at that folder. A name not listed leaves nothing selected; it is
    // remembered and selected as soon as a file of that name appears. A file the
    // pattern leaves out is listed all the same while it is the name asked for.
    void setFileName(const QString &name);

    // The name the program or the operator chose last, listed or not: a chosen
    // file that was deleted is still the one asked for.
    QString rememberedName() const { return wanted_; }

    // Reads the folder again now, on this thread.
    void refresh();

    // While it returns true, the operator's selections are undone.
    void setRefusal(std::function<bool()> refuses) { refuses_ = std::move(refuses); }

    // Refreshes wait at least this long after a change of the folder, and gather
    // every change meanwhile; a folder slow to list waits up to the longer delay.
    static constexpr int refreshDelayMs = 250;
    static constexpr int maxRefreshDelayMs = 3000;

signals:
    void Click();
    // Files that match but whose names cannot be used; told once per name.
    void unusableNames(const QStringList &names);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;

private:
    void watch();
    void folderChanged();
    void entriesChanged(const QList<QByteArray> &names);
    void gathered();
    void applyChangedEntries();
    void readInBackground();
    void showListing(const FolderListing &listing);
    void showNames(QStringList names);
    QModelIndex rememberedIndex() const;
    void selectRemembered();
    void onSelectionChanged();
    void onClicked(const QModelIndex &index);

    QString path_;
    QString pattern_;
    QString wanted_;                                      // the name to keep selected
    NameListModel *const rows_ = new NameListModel(this); // a child: it goes after the view
    QStringList unusableTold_;
    FolderListing listed_;     // the folder as last read, with the changes told since
    QSet<QByteArray> changed_; // entries told as changed, not yet looked at
    bool readInFull_ = false;  // the changes cannot be told by entry
    FolderWatch watcher_;
    QTimer gather_;
    QTimer poll_; // while the folder cannot be followed
    QFutureWatcher<FolderListing> reading_;
    QElapsedTimer listing_;  // since the listing under way began
    bool readAgain_ = false; // the folder changed while it was being read
    std::function<bool()> refuses_;
    bool changingByProgram_ = false;
    bool pressedOnSelected_ = false;
};
