// The controls of the main window: toolbar, lists, info panel, status bar and
// menus, each named after its role so that tests find it by its object name.

#include "app/file_list_model.h"
#include "app/hotkey_list_model.h"
#include "app/main_window.h"
#include "dialogs/pictures.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tonvarra::app {
namespace {

constexpr int kToolbarHeight = 40;
constexpr int kFilePanelWidth = 145;
constexpr int kInfoPanelWidth = 184;
constexpr int kStatusBarHeight = 27;

QToolButton* AddToolButton(QWidget* bar, QHBoxLayout* layout, const char* name, const QString& tip) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(dialogs::ToolbarIcon(button->objectName()));
    button->setIconSize(QSize(32, 32));
    button->setFixedSize(kToolbarHeight, kToolbarHeight);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    layout->addWidget(button);
    return button;
}

QWidget* HeadedList(const QString& heading, QListView* list) {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(new QLabel(heading, panel));
    layout->addWidget(list);
    return panel;
}

QLabel* StatusPanel(QStatusBar* bar, const char* name, const QString& text, int stretch) {
    auto* label = new QLabel(text, bar);
    label->setObjectName(QString::fromLatin1(name));
    label->setMinimumWidth(stretch == 0 ? 220 : 0);
    bar->addWidget(label, stretch);
    return label;
}

} // namespace

void TForm2::buildLayout() {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tonvarra v.1.3"));
    setWindowIcon(dialogs::ProgramIcon());
    resize(1056, 607);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* bar = new QWidget(central);
    bar->setObjectName(QStringLiteral("sPanel1"));
    bar->setFixedHeight(kToolbarHeight);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    struct Button {
        const char* name;
        const char* tip;
        void (TForm2::*handler)();
    };
    // The left-hand group starts disabled; FormActivate enables it.
    const Button left[] = {
        {"sBitBtn2", "New file", &TForm2::sBitBtn2Click},
        {"sBitBtn3", "Delete file", &TForm2::sBitBtn3Click},
        {"sBitBtn7", "", nullptr},
        {"add", "New hotkey", &TForm2::addClick},
        {"sBitBtn6", "Delete hotkey", &TForm2::sBitBtn6Click},
        {"sBitBtn1", "Edit hotkey", &TForm2::sBitBtn1Click},
        {"sBitBtn4", "Close", &TForm2::sBitBtn4Click},
    };
    for (const Button& b : left) {
        QToolButton* button = AddToolButton(bar, row, b.name, QString::fromLatin1(b.tip));
        button->setEnabled(false);
        if (b.handler != nullptr) {
            connect(button, &QToolButton::clicked, this, b.handler);
        }
    }
    row->addStretch(1);
    QToolButton* tray = AddToolButton(bar, row, "sBitBtn9", QStringLiteral("Minimize to tray"));
    connect(tray, &QToolButton::clicked, this, &TForm2::sBitBtn9Click);
    sBitBtn5_ = AddToolButton(bar, row, "sBitBtn5", QStringLiteral("Disable hotkeys"));
    connect(sBitBtn5_, &QToolButton::clicked, this, &TForm2::sBitBtn5Click);
    sBitBtn8_ = AddToolButton(bar, row, "sBitBtn8", QStringLiteral("Enable hotkeys"));
    connect(sBitBtn8_, &QToolButton::clicked, this, &TForm2::sBitBtn8Click);
    sBitBtn8_->hide();
    column->addWidget(bar);

    filenames_ = new QListView;
    filenames_->setObjectName(QStringLiteral("filenames"));
    filenames_->setModel(fileModel_);
    filenames_->setSelectionMode(QAbstractItemView::SingleSelection);
    filenames_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    midiname_ = new QListView;
    midiname_->setObjectName(QStringLiteral("midiname"));
    midiname_->setModel(hotkeyModel_);
    midiname_->setSelectionMode(QAbstractItemView::SingleSelection);
    midiname_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* info = new QWidget;
    info->setObjectName(QStringLiteral("sPanel3"));
    auto* infoColumn = new QVBoxLayout(info);
    infoColumn->setContentsMargins(6, 2, 6, 2);
    infoColumn->addWidget(new QLabel(QStringLiteral("Info:"), info));
    for (auto [label, name] : {std::pair{&sLabelFX4_, "sLabelFX4"}, std::pair{&sLabelFX5_, "sLabelFX5"},
                               std::pair{&sLabelFX6_, "sLabelFX6"}}) {
        *label = new QLabel(info);
        (*label)->setObjectName(QString::fromLatin1(name));
        (*label)->setWordWrap(true);
        (*label)->setTextFormat(Qt::PlainText);
        infoColumn->addWidget(*label);
    }
    infoColumn->addStretch(1);
    resetInfoLabels();

    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("sSplitter1"));
    splitter->addWidget(HeadedList(QStringLiteral("File:"), filenames_));
    splitter->addWidget(HeadedList(QStringLiteral("Present:"), midiname_));
    splitter->addWidget(info);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kFilePanelWidth, 1056 - kFilePanelWidth - kInfoPanelWidth, kInfoPanelWidth});
    column->addWidget(splitter, 1);
    setCentralWidget(central);

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("sStatusBar1"));
    status->setFixedHeight(kStatusBarHeight);
    status->setSizeGripEnabled(false);
    incomingPanel_ = StatusPanel(status, "incomingPanel", QStringLiteral("Incoming:"), 0);
    devicePanel_ = StatusPanel(status, "devicePanel", QStringLiteral("Midi device: enabled"), 0);
    StatusPanel(status, "restPanel", QString(), 1);

    buildMenus();
}

void TForm2::buildMenus() {
    struct Item {
        const char* name; // nullptr: a separator
        const char* caption;
        void (TForm2::*handler)();
    };
    const auto addMenu = [this](const char* name, const char* title, std::initializer_list<Item> items) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(title));
        menu->setObjectName(QString::fromLatin1(name));
        for (const Item& item : items) {
            if (item.name == nullptr) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(item.caption));
            action->setObjectName(QString::fromLatin1(item.name));
            if (item.handler != nullptr) {
                connect(action, &QAction::triggered, this, item.handler);
            }
        }
    };
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    addMenu("File1", "File",
            {{"Createnewfile1", "New file", &TForm2::Createnewfile1Click},
             {"Deletefile1", "Delete file", &TForm2::Deletefile1Click},
             {"Minimizetotray1", "Minimize to tray", &TForm2::Minimizetotray1Click},
             {nullptr, nullptr, nullptr},
             {"Close1", "Close", &TForm2::Close1Click}});
    addMenu("Hotkey1", "Hotkey",
            {{"NewHotkey1", "New hotkey", &TForm2::NewHotkey1Click},
             {"DeleteHotkey1", "Delete hotkey", &TForm2::DeleteHotkey1Click},
             {"Edithotkey1", "Edit hotkey", &TForm2::Edithotkey1Click},
             {nullptr, nullptr, nullptr},
             {"Newhotkeywizard1", "New hotkey (wizard)", nullptr}});
    addMenu("Tools1", "Tools", {{"Stopall1", "Stop all", &TForm2::Stopall1Click}});
    addMenu("Help1", "Help", {{"About1", "About", &TForm2::About1Click}, {"Help2", "Help", nullptr}});
}

} // namespace tonvarra::app
