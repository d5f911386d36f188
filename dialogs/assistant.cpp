#include "dialogs/assistant.h"

#include "dialogs/learn_list.h"
#include "midi/midi_input.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace tonvarra::dialogs {

namespace {

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TForm4::TForm4(midi::TMidiInput& midi, QWidget* parent)
    : QDialog(parent)
    , midi_(midi) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Assistent"));

    auto* devices = Named(new QListWidget(this), "lbxInputDevices");
    for (const std::string& name : midi_.DeviceNames()) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), devices);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    auto* memlog = Named(new QListWidget(this), "memlog");
    learn_ = new LearnList(lock_, memlog, this);

    // Controls that nothing reads or writes yet; they are where a wizard would go.
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
    layout->addWidget(Named(new QLineEdit(this), "name"), 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Midi event:"), this), 1, 0);
    layout->addWidget(Named(new QLineEdit(this), "selected"), 1, 1);
    layout->addWidget(Named(new QCheckBox(QStringLiteral("Velocity independent"), this), "velo"), 2, 1);
    layout->addWidget(devices, 3, 0, 1, 2);
    layout->addWidget(Named(new QCheckBox(QStringLiteral("Select all"), this), "sall"), 4, 0, 1, 2);
    layout->addWidget(memlog, 0, 2, 5, 1);
    layout->addWidget(Named(new QPushButton(QStringLiteral("Done"), this), "done"), 5, 2);
    resize(640, 480);

    midi_.SetOnShortMessage(midi::ShortMessageHandler::bind<&TForm4::LearnMidiData>(this));
}

TForm4::~TForm4() {
    if (midi_.OnShortMessage() == midi::ShortMessageHandler::bind<&TForm4::LearnMidiData>(this))
        midi_.SetOnShortMessage({});
}

void TForm4::LearnMidiData(std::int32_t, std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2) {
    learn_->add(Status, Data1, Data2);
}

} // namespace tonvarra::dialogs
