#include "app/file_list_model.h"

#include <QPointer>

namespace tonvarra::app {

FileListModel::FileListModel(store::CheckList& list, QObject* parent)
    : QAbstractListModel(parent)
    , list_(list)
    , rows_(static_cast<int>(list.size())) {
    QPointer<FileListModel> self(this);
    list_.addListener([self](const store::TableChange& change) {
        if (self) {
            self->listChanged(change);
        }
    });
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || static_cast<std::size_t>(index.row()) >= list_.size()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(list_.name(row));
    case Qt::CheckStateRole:
        return list_.ticked(row) ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void FileListModel::listChanged(const store::TableChange& change) {
    const int size = static_cast<int>(list_.size());
    const int row = static_cast<int>(change.row);
    if (change.kind == store::TableChange::Kind::Changed && row < rows_ && size == rows_) {
        const QModelIndex at = index(row);
        Q_EMIT dataChanged(at, at);
        return;
    }
    if (change.kind == store::TableChange::Kind::Inserted && row == rows_ && size == rows_ + 1) {
        beginInsertRows({}, row, row);
        rows_ = size;
        endInsertRows();
        return;
    }
    beginResetModel();
    rows_ = size;
    endResetModel();
}

} // namespace tonvarra::app
