#include "dialog_fixture.h"

#include <QTest>

#include <fstream>
#include <iterator>
#include <random>

namespace tonvarra::dialogs::test {

namespace {

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

std::string HotkeyLine(const std::string& name, const std::string& event, const std::string& action,
                       const std::string& kind, const std::string& mark) {
    return name + "\x23\xFC\x23\xF6\x23" + event + "#L#L#" + action + "#?#$#" + kind +
           "\x23\x30\x23\xC4\x23" + mark + "\r\n";
}

DialogFixture::DialogFixture() {
    folder = std::filesystem::temp_directory_path() /
             ("tonvarra-dialogs-" + std::to_string(std::random_device{}()) + "/Settings");
    std::filesystem::create_directories(folder);
    WriteBytes(folder / "files.cfg", "Default\r\n");
    WriteBytes(folder / "Default.tvr", HotkeyLine("Play", "90, 3C, 7F", "{F5}", "keyn", "-1") +
                                           HotkeyLine("Mute", "90, 3E,  *", "^m", "keystroker", "0") +
                                           HotkeyLine("Hold", "B0, 07, $d", "x", "keystroke", "-1"));
    WriteBytes(folder / "devices.cfg", "Pads\r\n");

    auto owned =
        std::make_unique<tonvarra::test::ScriptedMidiDriver>(std::vector<std::string>{"Pads", "Keys"});
    driver = owned.get();
    midi = std::make_unique<midi::TMidiInput>(std::move(owned));
    store = std::make_unique<store::HotkeyStore>(folder, *midi);
    store->device2() = midi->DeviceNames();
    store->setHandleMidiData(midi::ShortMessageHandler::bind<&MainHandler::HandleMidiData>(&main));
    store->loadClick();
    form = std::make_unique<TForm1>(*midi, *store, keyboard, prompts, &mainWindow);
    mainWindow.show();
}

DialogFixture::~DialogFixture() {
    form.reset();
    store.reset();
    midi.reset();
    std::filesystem::remove_all(folder.parent_path());
}

void DialogFixture::Open(const QString& mode, int index) {
    form->dialogmode = mode;
    form->editindex = index;
    mainWindow.setEnabled(false);
    form->show();
}

void DialogFixture::Learn(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    const int before = memlog()->count();
    ASSERT_TRUE(driver->Deliver(0, status, data1, data2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return memlog()->count() > before; }, 5000));
}

void DialogFixture::Pick(int row) {
    memlog()->setCurrentRow(row);
    Q_EMIT memlog()->itemClicked(memlog()->item(row));
}

void DialogFixture::ClickIntoAction() {
    Find<QPushButton>("pageOutput")->click();
    QTest::mouseClick(keystroke(), Qt::LeftButton);
}

void DialogFixture::FillHotkey(const QString& hotkeyName, const QString& action) {
    name()->setText(hotkeyName);
    Learn(0x90, 0x3C, 0x64);
    Pick(0);
    ClickIntoAction();
    keystroke()->setText(action);
}

std::string DialogFixture::FileBytes(const std::string& file) const {
    std::ifstream in(folder / file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace tonvarra::dialogs::test
