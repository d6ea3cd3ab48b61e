#pragma once

#include <QFileSystemWatcher>
#include <QListWidget>
#include <QString>

// A list of the files of one folder whose names match a wildcard pattern, compared
// without regard to case as on Windows. It follows the folder: files that appear or
// vanish show up at once, and the selected name stays selected through it. Click
// tells that the operator selected a name, by mouse or keyboard; changes made by
// the program or by a refresh never raise it.
class FileListBox : public QListWidget
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
    // Selects the entry of that name. A name that carries a folder first points
    // the list at that folder. A name not listed leaves nothing selected; it is
    // remembered and selected as soon as a file of that name appears. A file the
    // pattern leaves out is listed all the same while it is the name asked for.
    void setFileName(const QString &name);

    // Reads the folder again now, as the watcher would.
    void refresh();

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;

private:
    void watch();
    void selectRemembered();
    void onSelectionChanged();
    void onClicked(const QModelIndex &index);

    QString path_;
    QString pattern_;
    QString wanted_; // the name to keep selected
    QFileSystemWatcher watcher_;
    bool changingByProgram_ = false;
    bool pressedOnSelected_ = false;
};
