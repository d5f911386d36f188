#pragma once

// FileListModel: the visible file list `filenames`, a view of the store's check
// list with its ticks. The user selects a row but never sets a tick directly:
// a tick on a second file would make every save write the current hotkeys
// into that file too, so the ticks only follow the file commands.

#include "store/check_list.h"

#include <QAbstractListModel>

namespace tonvarra::app {

class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileListModel(store::CheckList& list, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void listChanged(const store::TableChange& change);

    store::CheckList& list_;
    int rows_ = 0;
};

} // namespace tonvarra::app
