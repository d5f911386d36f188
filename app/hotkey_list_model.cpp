#include "app/hotkey_list_model.h"

#include <QPointer>

namespace tonvarra::app {

HotkeyListModel::HotkeyListModel(store::HotkeyTable& table, QObject* parent)
    : QAbstractListModel(parent)
    , table_(table)
    , rows_(static_cast<int>(table.size())) {
    // The table outlives no window but may outlive this model in a test; the
    // guard keeps a late notification away from a deleted model.
    QPointer<HotkeyListModel> self(this);
    table_.addListener([self](const store::TableChange& change) {
        if (self) {
            self->tableChanged(change);
        }
    });
}

int HotkeyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant HotkeyListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || static_cast<std::size_t>(index.row()) >= table_.size()) {
        return {};
    }
    const store::HotkeyEntry& entry = table_.row(static_cast<std::size_t>(index.row()));
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(entry.midiname);
    case Qt::CheckStateRole:
        return entry.enabled ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

Qt::ItemFlags HotkeyListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

bool HotkeyListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rows_) {
        return false;
    }
    Q_EMIT checkClicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

void HotkeyListModel::tableChanged(const store::TableChange& change) {
    const int size = static_cast<int>(table_.size());
    const int row = static_cast<int>(change.row);
    switch (change.kind) {
    case store::TableChange::Kind::Changed:
        if (row < rows_ && size == rows_) {
            const QModelIndex at = index(row);
            Q_EMIT dataChanged(at, at);
            return;
        }
        break;
    case store::TableChange::Kind::Inserted:
        // The table has already grown: an append touches no existing index.
        if (row == rows_ && size == rows_ + 1) {
            beginInsertRows({}, row, row);
            rows_ = size;
            endInsertRows();
            return;
        }
        break;
    default:
        break;
    }
    beginResetModel();
    rows_ = size;
    endResetModel();
}

} // namespace tonvarra::app
