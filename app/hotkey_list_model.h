#pragma once

// HotkeyListModel: the visible hotkey list `midiname`, a view of the hotkey
// table's names and enabled marks. It holds no copy: every change of the table
// reaches it through the table's listener. A click on a check box is handed to
// the window as checkClicked, which decides what the click changes.

#include "store/hotkey_table.h"

#include <QAbstractListModel>

namespace tonvarra::app {

class HotkeyListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit HotkeyListModel(store::HotkeyTable& table, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void checkClicked(int row, bool checked);

private:
    void tableChanged(const store::TableChange& change);

    store::HotkeyTable& table_;
    int rows_ = 0; // the row count the views were last told
};

} // namespace tonvarra::app
