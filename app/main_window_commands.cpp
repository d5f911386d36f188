// The file and hotkey commands of the main window: the prompts and the lists'
// selection here, the work in store/file_commands.

#include "app/main_window.h"

#include "dialogs/prompts.h"
#include "dialogs/properties_dialog.h"

#include <QLabel>
#include <QListView>

namespace tonvarra::app {

void TForm2::report(const store::CommandResult& result) {
    switch (result.kind) {
    case store::CommandResult::Kind::Done:
        break;
    case store::CommandResult::Kind::Message:
        services_.prompts.message(QString::fromStdString(result.text));
        break;
    case store::CommandResult::Kind::Error:
        services_.prompts.error(QString::fromStdString(result.text));
        break;
    }
}

void TForm2::clearSelections() {
    syncingSelection_ = true;
    for (QListView* list : {filenames_, midiname_}) {
        list->selectionModel()->clear();
    }
    syncingSelection_ = false;
    store_->filenames().select(std::nullopt);
}

void TForm2::sBitBtn2Click() {
    const QString initial = QString::fromUtf8(store::kDefaultFileName.data(),
                                              static_cast<qsizetype>(store::kDefaultFileName.size()));
    // Cancel goes on with the initial text.
    const QString name =
        services_.prompts
            .input(QStringLiteral("Create new file"), QStringLiteral("Please enter new name:"), initial)
            .value_or(initial);
    // A quit that ended the prompt's loop is no Cancel: the window has saved
    // for the last time, and a file made now would be listed after that save.
    if (closing_) {
        return;
    }
    const store::CommandResult result = store::CreateHotkeyFile(*store_, name.toStdString());
    if (result.ok()) {
        clearSelections();
    }
    report(result);
}

void TForm2::sBitBtn3Click() {
    const store::CommandResult result =
        store::DeleteTickedHotkeyFiles(*store_, [this](const std::string& name) {
            return services_.prompts.question(QStringLiteral("Question"),
                                              QStringLiteral("Are you sure to delete ") +
                                                  QString::fromStdString(name) + QStringLiteral(" ?"));
        });
    report(result);
}

void TForm2::filenamesClick(std::size_t row) {
    if (row >= store_->filenames().size()) {
        return;
    }
    store_->filenames().select(row);
    store::SelectHotkeyFile(*store_, row);
    clearSelections();
}

void TForm2::midinameClick(std::size_t row) {
    if (row >= store_->table().size()) {
        return;
    }
    const store::HotkeyEntry& entry = store_->table().row(row);
    sLabelFX4_->setText(QStringLiteral("Name: ") + QString::fromStdString(entry.midiname));
    sLabelFX5_->setText(QStringLiteral("Midi event: ") + QString::fromStdString(entry.data));
    sLabelFX6_->setText(QStringLiteral("Outgoing action: ") + QString::fromStdString(entry.outgoing));
}

void TForm2::midinameClickCheck(std::size_t row, bool checked) {
    if (row >= store_->table().size()) {
        return;
    }
    // The clicked row becomes the selected one, as a click on its name would.
    midiname_->setCurrentIndex(midiname_->model()->index(static_cast<int>(row), 0));
    report(store::SetHotkeyEnabled(*store_, row, checked));
}

void TForm2::openPropertiesDialog(const QString& mode) {
    if (!properties_) {
        return;
    }
    // The dialog takes the handler slot, so the release that would end a hold
    // running now cannot arrive: the hold would go on typing into the dialog.
    matcher_->StopAll();
    properties_->dialogmode = mode;
    properties_->show();
    properties_->raise();
    properties_->activateWindow();
    // The table must not change under the dialog; it enables this window when it closes.
    setEnabled(false);
}

void TForm2::addClick() {
    openPropertiesDialog(QStringLiteral("add"));
}

void TForm2::sBitBtn1Click() {
    const std::optional<std::size_t> row = selectedHotkey();
    if (!row) {
        services_.prompts.message(QStringLiteral("Please select a present first"));
        return;
    }
    if (properties_) {
        properties_->editindex = static_cast<int>(*row);
    }
    openPropertiesDialog(QStringLiteral("edit"));
}

void TForm2::sBitBtn6Click() {
    const std::optional<std::size_t> row = selectedHotkey();
    if (!row) {
        return;
    }
    const store::CommandResult result = store::DeleteHotkey(*store_, *row);
    syncingSelection_ = true;
    midiname_->selectionModel()->clear();
    syncingSelection_ = false;
    report(result);
}

} // namespace tonvarra::app
