#include "dialogs/properties_dialog_impl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tonvarra::dialogs {

namespace {

const QStringList kSyntaxHelp = {
    QStringLiteral("If you like to send tab, backspace, delete etc surround them with curly brackets:"),
    QStringLiteral("  Example:"),
    QStringLiteral("   {TAB}{TAB}E"),
    QString(),
    QStringLiteral("Supported modifiers: "),
    QStringLiteral("  + = Shift "),
    QStringLiteral("  ^ = Control "),
    QStringLiteral("  % = Alt"),
    QStringLiteral("  (Surround the modifier keys with round braces in order to send as normal text.)"),
    QString(),
    QStringLiteral("   Example:"),
    QStringLiteral("    ^%(^) = Control + Alt + ^"),
};

} // namespace

void TForm1::Impl::build() {
    auto* pageButtons = new QHBoxLayout;
    pages = Named(new QStackedWidget(&form), "pages");
    const char* pageNames[] = {"General", "Midi Input", "Output"};
    const char* buttonNames[] = {"pageGeneral", "pageMidiInput", "pageOutput"};
    pages->addWidget(buildGeneral());
    pages->addWidget(buildMidiInput());
    pages->addWidget(buildOutput());
    for (int i = 0; i < 3; ++i) {
        auto* button = Named(new QPushButton(QString::fromLatin1(pageNames[i]), &form), buttonNames[i]);
        QObject::connect(button, &QPushButton::clicked, &form, [this, i] { pages->setCurrentIndex(i); });
        pageButtons->addWidget(button);
    }
    pages->setCurrentIndex(0);

    auto* ok = Named(new QPushButton(QStringLiteral("OK"), &form), "sBitBtn2");
    auto* cancel = Named(new QPushButton(QStringLiteral("Cancel"), &form), "sBitBtn4");
    auto* apply = Named(new QPushButton(QStringLiteral("Apply"), &form), "apply");
    for (QPushButton* b : {ok, cancel, apply})
        b->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &form, [this] { sBitBtn2Click(); });
    QObject::connect(cancel, &QPushButton::clicked, &form, [this] { sBitBtn4Click(); });
    QObject::connect(apply, &QPushButton::clicked, &form, [this] { (void)form.applyClick(); });
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    bottom->addWidget(apply);

    auto* layout = new QVBoxLayout(&form);
    layout->addLayout(pageButtons);
    layout->addWidget(pages, 1);
    layout->addLayout(bottom);
}

QWidget* TForm1::Impl::buildGeneral() {
    auto* page = Named(new QWidget, "sTabSheet1");
    auto* layout = new QVBoxLayout(page);
    name = Named(new QLineEdit(page), "name");
    description = Named(new QPlainTextEdit(page), "description");
    layout->addWidget(new QLabel(QStringLiteral("Name:"), page));
    layout->addWidget(name);
    layout->addWidget(new QLabel(QStringLiteral("Description:"), page));
    layout->addWidget(description, 1);
    return page;
}

QWidget* TForm1::Impl::buildMidiInput() {
    auto* page = Named(new QWidget, "sTabSheet2");
    selected = Named(new QLineEdit(page), "selected");
    selected->setEnabled(false);
    veloset = Named(new QComboBox(page), "veloset");
    veloset->addItems({QStringLiteral("Standart (velocity depending)"),
                       QStringLiteral("Velocity independent"), QStringLiteral("Only on key down"),
                       QStringLiteral("Only on key up")});
    veloset->setPlaceholderText(QStringLiteral("Standart (velocity depending)"));
    veloset->setCurrentIndex(-1);
    lbxInputDevices = Named(new QListWidget(page), "lbxInputDevices");
    sall = Named(new QCheckBox(QStringLiteral("Select all"), page), "sall");
    memlog = Named(new QListWidget(page), "memlog");
    learn = new LearnList(LearnLock, memlog, &form);

    QObject::connect(veloset, &QComboBox::currentIndexChanged, &form, [this](int i) { velosetChange(i); });
    QObject::connect(memlog, &QListWidget::itemClicked, &form, [this] { sListBox1Click(); });
    // A click on the tick changes the item and then reports the click; the pair is one click.
    QObject::connect(lbxInputDevices, &QListWidget::itemChanged, &form, [this](QListWidgetItem* item) {
        tickedJustNow = item;
        QTimer::singleShot(0, &form, [this] { tickedJustNow = nullptr; });
        sCheckListBox1Click(item);
    });
    QObject::connect(lbxInputDevices, &QListWidget::itemClicked, &form, [this](QListWidgetItem* item) {
        if (item != tickedJustNow)
            sCheckListBox1Click(item);
        tickedJustNow = nullptr;
    });
    QObject::connect(sall, &QCheckBox::clicked, &form, [this] { sCheckBox2Click(); });

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Midi event:"), page));
    left->addWidget(selected);
    left->addWidget(new QLabel(QStringLiteral("Settings:"), page));
    left->addWidget(veloset);
    left->addWidget(new QLabel(QStringLiteral("Input Devices:"), page));
    left->addWidget(lbxInputDevices, 1);
    left->addWidget(sall);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Select:"), page));
    right->addWidget(memlog, 1);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);
    return page;
}

QWidget* TForm1::Impl::buildOutput() {
    auto* page = Named(new QWidget, "sTabSheet3");
    keyset = Named(new QComboBox(page), "keyset");
    keyset->addItems({QStringLiteral("Keytroke (single)"), QStringLiteral("Keydown (hold)")});
    keystroke = Named(new QLineEdit(kPlaceholder, page), "keystroke");
    keystroke->installEventFilter(&form);
    sCheckBox1 = Named(new QCheckBox(QStringLiteral("Stop on midi key release"), page), "sCheckBox1");
    sCheckBox1->setEnabled(false);
    auto* help = Named(new QPlainTextEdit(kSyntaxHelp.join(QLatin1Char('\n')), page), "syntaxhelp");
    help->setReadOnly(true);
    QPalette palette = help->palette();
    palette.setColor(QPalette::Base, QColor(128, 128, 128));
    palette.setColor(QPalette::Text, QColor(0xff, 0xfb, 0xf0));
    help->setPalette(palette);
    auto* keyNames = Named(new QPushButton(QStringLiteral("Show all supported key names"), page), "sButton1");

    QObject::connect(keyset, &QComboBox::currentIndexChanged, &form, [this](int i) { keysetChange(i); });
    QObject::connect(keyNames, &QPushButton::clicked, &form, [this] { sButton1Click(); });

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Outgoing action:"), page));
    layout->addWidget(keyset);
    layout->addWidget(keystroke);
    layout->addWidget(sCheckBox1);
    layout->addWidget(new QLabel(QStringLiteral("Syntax Help:"), page));
    layout->addWidget(help, 1);
    layout->addWidget(keyNames);
    return page;
}

} // namespace tonvarra::dialogs
