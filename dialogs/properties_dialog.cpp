#include "dialogs/properties_dialog.h"

#include "base/cp1252.h"
#include "base/error.h"
#include "dialogs/hotkey_text_check.h"
#include "dialogs/prompts.h"
#include "dialogs/properties_dialog_impl.h"
#include "keys/sendkeys.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include <utility>
#include <vector>

namespace tonvarra::dialogs {

namespace {

const QString kKeyNames = QStringLiteral("BKSP, BS, BACKSPACE, BREAK, CAPSLOCK, CLEAR, DEL, DELETE, DOWN, "
                                         "END, ENTER, ESC, ESCAPE, F1, F2, F3, F4, "
                                         "F5, F6, F7, F8, F9, F10, F11, F12, F13, F14, F15, F16, HELP, HOME, "
                                         "INS, LEFT, NUMLOCK, PGDN, PGUP, PRTSC, "
                                         "RIGHT, SCROLLLOCK, TAB, UP");

// The velocity modes' rewrite: the first seven characters ("90, 3C,") stay.
QString RewriteVelocity(const QString& eventText, int mode) {
    static const QString tails[] = {QString(), QStringLiteral("  *"), QStringLiteral(" $d"),
                                    QStringLiteral(" 00")};
    return eventText.left(7) + tails[mode];
}

} // namespace

TForm1::TForm1(midi::TMidiInput& midi, store::HotkeyStore& store, keys::KeyboardPort& keyboard,
               Prompts& prompts, QWidget* mainWindow)
    : impl_(new Impl(*this, midi, store, keyboard, prompts, mainWindow)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Properties"));
    setModal(false);
    impl_->build();
    setFixedSize(446, 405);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // FormCreate.
    impl_->fillDevices(true);
    impl_->installLearn();
    impl_->keyset->setCurrentIndex(0);
}

TForm1::~TForm1() {
    // FormDestroy: no delivery may reach the learn list once it is gone.
    if (impl_->midi.OnShortMessage() == impl_->learnHandler())
        impl_->midi.SetOnShortMessage({});
    delete impl_;
}

// Fills the device check list with the system's devices; fromMainWindow gives
// each row the tick of the main window's device selection. Filling opens and
// closes nothing.
void TForm1::Impl::fillDevices(bool fromMainWindow) {
    const QSignalBlocker blocker(lbxInputDevices);
    lbxInputDevices->clear();
    const auto& names = midi.DeviceNames();
    const store::CheckList& device = store.device();
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(FromUtf8(names[i]), lbxInputDevices);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const bool tick = fromMainWindow && i < device.size() && device.ticked(i);
        item->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
    }
}

void TForm1::Impl::FormShow() {
    fillDevices(true);
    installLearn();
    if (form.dialogmode == QLatin1String("edit")) {
        const auto& table = store.table();
        if (form.editindex < 0 || static_cast<std::size_t>(form.editindex) >= table.size())
            return;
        const store::HotkeyEntry& row = table.row(static_cast<std::size_t>(form.editindex));
        picked.clear();
        name->setText(FromUtf8(row.midiname));
        selected->setText(FromUtf8(row.data));
        keystroke->setText(FromUtf8(row.outgoing));
        if (row.outgoingset == "keyn") {
            keyset->setCurrentIndex(0);
            sCheckBox1->setChecked(false);
            sCheckBox1->setEnabled(false);
        } else if (row.outgoingset == "keystroke" || row.outgoingset == "keystroker") {
            keyset->setCurrentIndex(1);
            sCheckBox1->setChecked(row.outgoingset == "keystroker");
            sCheckBox1->setEnabled(true);
        }
    } else if (form.dialogmode == QLatin1String("add")) {
        picked.clear();
        name->clear();
        selected->clear();
        keystroke->setText(kPlaceholder);
        keyset->setCurrentIndex(0);
        sCheckBox1->setChecked(false);
        sCheckBox1->setEnabled(false);
    }
}

void TForm1::Impl::sListBox1Click() {
    const int i = memlog->currentRow();
    if (i < 0 || i >= learn->memlogdata().size())
        return;
    picked = learn->memlogdata().at(i);
    selected->setText(picked);
    const int mode = veloset->currentIndex();
    if (mode >= 1 && mode <= 3)
        selected->setText(RewriteVelocity(picked, mode));
}

void TForm1::Impl::velosetChange(int index) {
    const QString text = selected->text();
    if (text.isEmpty() || index < 0 || index > 3)
        return;
    if (index > 0) {
        selected->setText(RewriteVelocity(text, index));
        return;
    }
    // "Standart" after a wildcard: the picked entry still holds the velocity as received.
    if (!picked.isEmpty() && picked.left(7) == text.left(7))
        selected->setText(picked);
}

void TForm1::Impl::sCheckListBox1Click(QListWidgetItem* item) {
    const int i = lbxInputDevices->row(item);
    if (i < 0)
        return;
    try {
        if (item->checkState() == Qt::Checked)
            midi.Open(i);
        else
            midi.Close(i);
    } catch (const Error& e) {
        prompts.error(QString::fromStdString(e.what()));
        return;
    }
    installLearn();
}

void TForm1::Impl::sCheckBox2Click() {
    fillDevices(false);
    installLearn();
    const QSignalBlocker blocker(lbxInputDevices);
    const Qt::CheckState state = sall->isChecked() ? Qt::Checked : Qt::Unchecked;
    for (int i = 0; i < lbxInputDevices->count(); ++i)
        lbxInputDevices->item(i)->setCheckState(state);
}

void TForm1::Impl::sButton1Click() {
    prompts.information(kKeyNames);
}

void TForm1::Impl::keysetChange(int index) {
    sCheckBox1->setEnabled(index == 1);
}

bool TForm1::Impl::checksPass() {
    if (name->text().isEmpty()) {
        prompts.message(QStringLiteral("Please enter a name"));
        return false;
    }
    if (selected->text().isEmpty()) {
        prompts.message(QStringLiteral("Please select an ingoing midi-event"));
        return false;
    }
    if (keystroke->text() == kPlaceholder) {
        prompts.message(QStringLiteral("Please select an outgoing action"));
        return false;
    }
    // The hotkey file has no escape: refuse what it would corrupt or lose.
    for (const auto& [field, text] : {std::pair{QStringLiteral("The name"), name->text()},
                                      std::pair{QStringLiteral("The outgoing action"), keystroke->text()}}) {
        if (const auto refusal = HotkeyTextRefusal(field, text)) {
            prompts.message(*refusal);
            return false;
        }
    }
    return true;
}

void TForm1::Impl::runSaved(void (store::HotkeyStore::*step)()) {
    try {
        (store.*step)();
    } catch (const Error& e) {
        prompts.error(QString::fromStdString(e.what()));
    }
}

// The write steps (a) to (f) on one row; append makes that row first.
void TForm1::Impl::writeRow(std::size_t row, bool append) {
    store::HotkeyEntry entry;
    entry.midiname = name->text().toStdString();
    entry.data = selected->text().toStdString();
    entry.outgoing = keystroke->text().toStdString();
    entry.outgoingset =
        keyset->currentIndex() == 1 ? (sCheckBox1->isChecked() ? "keystroker" : "keystroke") : "keyn";
    entry.namechecked = "-1";
    entry.enabled = true;
    // A whole row at once, so the matcher never sees a half-written hotkey.
    if (append)
        store.table().append(entry);
    else
        store.table().replace(row, entry);

    store::CheckList& device = store.device();
    const int rows = lbxInputDevices->count();
    bool sameNames = device.size() == static_cast<std::size_t>(rows);
    for (int i = 0; sameNames && i < rows; ++i)
        sameNames =
            device.name(static_cast<std::size_t>(i)) == lbxInputDevices->item(i)->text().toStdString();
    if (!sameNames) {
        device.clear();
        for (int i = 0; i < rows; ++i)
            device.append(lbxInputDevices->item(i)->text().toStdString());
    }
    for (int i = 0; i < rows; ++i)
        device.setTicked(static_cast<std::size_t>(i), lbxInputDevices->item(i)->checkState() == Qt::Checked);

    store.table().setEnabled(row, true);
    runSaved(&store::HotkeyStore::mdeviceClick);
    runSaved(&store::HotkeyStore::saveClick);
}

QStringList TForm1::Impl::sequenceProblems() {
    const QString action = keystroke->text();
    const auto bytes = Utf8ToCp1252(action.toStdString());
    if (action.isEmpty() || !bytes)
        return {};
    std::vector<std::string> problems;
    try {
        problems = keys::CheckKeySequence(keyboard, *bytes);
    } catch (const Error& e) {
        problems.emplace_back(e.what());
    }
    QStringList lines;
    for (const std::string& problem : problems)
        lines.append(FromUtf8(Cp1252ToUtf8(problem)));
    return lines;
}

// A sequence that would misfire on stage is worth a word now; it is kept all the same.
void TForm1::Impl::warnAboutSequence(const QStringList& problems) {
    if (problems.isEmpty())
        return;
    prompts.message(QStringLiteral("The hotkey was saved, but its outgoing action \"%1\" will not be sent as "
                                   "written:\n%2")
                        .arg(keystroke->text(), problems.join(QLatin1Char('\n'))));
}

bool TForm1::applyClick() {
    Impl& d = *impl_;
    const bool pass = d.checksPass();
    if (pass) {
        const QStringList problems = d.sequenceProblems();
        auto& table = d.store.table();
        bool wrote = true;
        if (dialogmode == QLatin1String("add")) {
            d.writeRow(table.size(), true);
            dialogmode = QStringLiteral("addapply");
        } else if (dialogmode == QLatin1String("addapply")) {
            // The row made by the first Apply is the last one; should it be gone, make it again.
            if (table.size() == 0)
                d.writeRow(0, true);
            else
                d.writeRow(table.size() - 1, false);
        } else if (dialogmode == QLatin1String("edit") && editindex >= 0 &&
                   static_cast<std::size_t>(editindex) < table.size()) {
            d.writeRow(static_cast<std::size_t>(editindex), false);
        } else {
            wrote = false;
        }
        if (wrote)
            d.warnAboutSequence(problems);
    }
    d.runSaved(&store::HotkeyStore::saveClick);
    return pass;
}

void TForm1::done(int result) {
    QDialog::done(result);
    // FormClose: hotkeys fire again at once, not only at the main window's next device mount.
    impl_->midi.SetOnShortMessage(impl_->store.handleMidiData());
    if (impl_->mainWindow)
        impl_->mainWindow->setEnabled(true);
    Q_EMIT closed();
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        impl_->FormShow();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == impl_->keystroke && event->type() == QEvent::MouseButtonPress)
        impl_->keystrokeClick();
    return QDialog::eventFilter(watched, event);
}

} // namespace tonvarra::dialogs
