#include "app/name_list_model.h"

#include "host/folder_listing.h"

void NameListModel::setNames(QStringList names)
{
    if (names == names_)
        return;
    // A merge of the two ordered lists: what is only in the old one goes, what is
    // only in the new one comes. Whatever the order, every name of the new list is
    // kept or put in, in its turn, so the rows end as the new list.
    const QStringList old = names_;
    qsizetype i = 0, next = 0;
    int row = 0;
    const auto goes = [&](qsizetype at) {
        return next == names.size() || listedBefore(old[at], names[next]);
    };
    const auto comes = [&](qsizetype at) {
        return i == old.size() || listedBefore(names[at], old[i]);
    };
    while (i < old.size() || next < names.size()) {
        if (i < old.size() && next < names.size() && old[i] == names[next]) {
            ++i, ++next, ++row;
        } else if (i < old.size() && goes(i)) {
            qsizetype end = i + 1;
            while (end < old.size() && goes(end))
                ++end;
            beginRemoveRows({}, row, row + int(end - i) - 1);
            names_.remove(row, end - i);
            endRemoveRows();
            i = end;
        } else {
            qsizetype end = next + 1;
            while (end < names.size() && comes(end))
                ++end;
            beginInsertRows({}, row, row + int(end - next) - 1);
            QStringList rows;
            rows.reserve(names_.size() + (end - next));
            rows << names_.first(row) << names.sliced(next, end - next) << names_.sliced(row);
            names_ = std::move(rows);
            endInsertRows();
            row += int(end - next);
            next = end;
        }
    }
    names_ = std::move(names); // the same names: share them with the caller's listing
}

int NameListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(names_.size());
}

QVariant NameListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return names_[index.row()];
}

Qt::ItemFlags NameListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
