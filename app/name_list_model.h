#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The rows of a FileListBox: one name a row, held once, as plain strings. An item
// object per row, as QListWidget keeps, costs some hundred bytes more a name, which
// for two lists of a folder of tens of thousands of programs was most of the
// window's memory.
class NameListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    const QStringList &names() const { return names_; }

    // Shows these names instead, in their order. Only the rows that differ are
    // taken out or put in, a run of them at a time, so a view keeps its selection
    // and scroll position while one file of thousands comes or goes. Fewest when
    // both lists are in listedBefore's order, as listings are.
    void setNames(QStringList names);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QStringList names_;
};
