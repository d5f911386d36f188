#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>
#include <mutex>

class QListWidget;

namespace tonvarra::midi {
class TMidiInput;
}

namespace tonvarra::dialogs {

class LearnList;

// TForm4: the hotkey assistant. Nothing shows it; its creation takes the MIDI
// handler slot until the main window's first show takes it back.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    // Created hidden; installs its handler at creation (FormCreate).
    explicit TForm4(midi::TMidiInput& midi, QWidget* parent = nullptr);
    ~TForm4() override;

    // The assistant's data handler, on a delivery thread.
    void LearnMidiData(std::int32_t DeviceIndex, std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2);

private:
    midi::TMidiInput& midi_;
    std::mutex lock_;
    LearnList* learn_ = nullptr;
};

} // namespace tonvarra::dialogs
