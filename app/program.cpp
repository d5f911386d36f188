#include "app/program.h"

#include "app/splash_window.h"
#include "dialogs/about_box.h"
#include "dialogs/assistant.h"
#include "dialogs/properties_dialog.h"

namespace tonvarra::app {

Program::Program(TForm2::Services services) {
    midi::TMidiInput& midi = services.midi;
    keys::KeyboardPort& keyboard = services.keyboard;
    dialogs::Prompts& prompts = services.prompts;
    form2_ = std::make_unique<TForm2>(std::move(services));
    form5_ = std::make_unique<TForm5>(form2_.get());
    form1_ = std::make_unique<dialogs::TForm1>(midi, form2_->store(), keyboard, prompts, form2_.get());
    form4_ = std::make_unique<dialogs::TForm4>(midi);
    about_ = std::make_unique<dialogs::TAboutBox>(form2_.get());
    form2_->setWindows(form5_.get(), form1_.get(), about_.get());
}

Program::~Program() {
    // Deliveries end first: the slot may still hold a dialog's handler, and the
    // device sync would open devices again.
    form2_->StopDeliveries();
    about_.reset();
    form4_.reset();
    form1_.reset();
    form5_.reset();
    form2_->StopDeliveries(); // a dialog may have put its handler back as it went
    form2_.reset();
}

void Program::start() {
    form2_->show();
}

} // namespace tonvarra::app
