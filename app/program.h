#pragma once

// Program: the five windows of the program, created in start-up order (main
// window, splash, properties dialog, assistant, About box), and their shutdown
// in the order that keeps MIDI deliveries away from freed windows.

#include "app/main_window.h"

#include <memory>

namespace tonvarra::dialogs {
class TAboutBox;
class TForm1;
class TForm4;
} // namespace tonvarra::dialogs

namespace tonvarra::app {

class TForm5;

class Program {
public:
    explicit Program(TForm2::Services services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Shows the main window; its FormShow brings up the splash window and gives
    // the handler slot back to the main window.
    void start();

    [[nodiscard]] TForm2& mainWindow() { return *form2_; }
    [[nodiscard]] TForm5& splash() { return *form5_; }
    [[nodiscard]] dialogs::TForm1& properties() { return *form1_; }
    [[nodiscard]] dialogs::TForm4& assistant() { return *form4_; }
    [[nodiscard]] dialogs::TAboutBox& about() { return *about_; }

private:
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TForm5> form5_;
    std::unique_ptr<dialogs::TForm1> form1_;
    std::unique_ptr<dialogs::TForm4> form4_;
    std::unique_ptr<dialogs::TAboutBox> about_;
};

} // namespace tonvarra::app
