// The file and hotkey commands as the main window runs them: its prompts, its
// lists' selection and ticks, and the properties dialog it opens.

#include "dialogs/properties_dialog.h"
#include "program_fixture.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QListView>
#include <QToolButton>

namespace tonvarra::test {
namespace {

using Kind = AnsweringPrompts::Kind;

class WindowCommands : public ProgramFixture {
protected:
    void SetUp() override { start(); }

    [[nodiscard]] QString label(const char* name) const { return find<QLabel>(name)->text(); }
    [[nodiscard]] QListView* list(const char* name) const { return find<QListView>(name); }
    // What a list shows: each row's text, with "[x]" for a ticked row.
    [[nodiscard]] QStringList shown(const char* name) const {
        QAbstractItemModel* model = list(name)->model();
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            const QModelIndex at = model->index(r, 0);
            rows << (at.data(Qt::CheckStateRole).toInt() == Qt::Checked ? "[x] " : "[ ] ") +
                        at.data().toString();
        }
        return rows;
    }
    void pick(const char* name, int row) const {
        list(name)->setCurrentIndex(list(name)->model()->index(row, 0));
    }
};

TEST_F(WindowCommands, ListsShowTheFilesAndHotkeysWithTheirTicks) {
    EXPECT_EQ(shown("filenames"), QStringList{"[x] Set"});
    EXPECT_EQ(shown("midiname"), (QStringList{"[x] Play", "[x] Hold"}));
}

// The models are views over the store's lists: every kind of change reaches
// them, and the model tester finds them consistent throughout.
TEST_F(WindowCommands, ListModelsFollowEveryChangeOfTheStore) {
    static QStringList failures;
    failures.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
            if (m.contains("FAIL")) {
                failures << m;
            }
        });
    QAbstractItemModelTester hotkeys(list("midiname")->model(),
                                     QAbstractItemModelTester::FailureReportingMode::Warning);
    QAbstractItemModelTester files(list("filenames")->model(),
                                   QAbstractItemModelTester::FailureReportingMode::Warning);
    store::HotkeyTable& table = form().store().table();

    pick("midiname", 1);
    table.append({"Third", "90, 40, 7F", "c", "keyn", "-1", true});
    EXPECT_EQ(shown("midiname"), (QStringList{"[x] Play", "[x] Hold", "[x] Third"}));
    EXPECT_EQ(form().selectedHotkey(), 1u) << "an appended row keeps the selection";
    table.replace(0, {"First", "90, 3C, 7F", "a", "keyn", "-1", true});
    table.setEnabled(2, false);
    EXPECT_EQ(shown("midiname"), (QStringList{"[x] First", "[x] Hold", "[ ] Third"}));
    table.remove(1);
    EXPECT_EQ(shown("midiname"), (QStringList{"[x] First", "[ ] Third"}));
    form().store().filenames().append("Extra");
    EXPECT_EQ(shown("filenames"), (QStringList{"[x] Set", "[ ] Extra"}));
    form().store().loadClick();
    EXPECT_EQ(shown("midiname"), (QStringList{"[x] Play", "[x] Hold"}));
    EXPECT_EQ(shown("filenames"), QStringList{"[x] Set"});

    qInstallMessageHandler(previous);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

TEST_F(WindowCommands, NewFilePromptsAndACancelGoesOnWithDefault) {
    form().setEnabled(true);
    find<QToolButton>("sBitBtn2")->setEnabled(false); // the menu item works all the same
    prompts.answerInput(std::nullopt);
    find<QAction>("Createnewfile1")->trigger();

    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].kind, Kind::Input);
    EXPECT_EQ(prompts.shown()[0].caption, "Create new file");
    EXPECT_EQ(prompts.shown()[0].text, "Please enter new name:");
    EXPECT_EQ(prompts.shown()[0].initial, "Default");
    EXPECT_EQ(folder.read("files.cfg"), "Set\r\nDefault\r\n");
    EXPECT_EQ(folder.read("Default.tvr"), "");
    EXPECT_EQ(shown("filenames"), (QStringList{"[ ] Set", "[x] Default"}));
    EXPECT_TRUE(shown("midiname").isEmpty());

    prompts.clear();
    prompts.answerInput(QStringLiteral("Default"));
    form().sBitBtn2Click();
    EXPECT_EQ(prompts.texts().back(), "Name already in use");
    EXPECT_EQ(prompts.shown().back().kind, Kind::Message);
    EXPECT_EQ(folder.read("files.cfg"), "Set\r\nDefault\r\n");
}

TEST_F(WindowCommands, NewFileRefusesAPathWithAPlainMessage) {
    prompts.answerInput(QStringLiteral("../../evil"));
    form().sBitBtn2Click();
    EXPECT_EQ(prompts.shown().back().kind, Kind::Message);
    EXPECT_TRUE(prompts.texts().back().contains("must not contain")) << prompts.texts().back().toStdString();
    EXPECT_EQ(folder.listing(), (std::vector<std::string>{"Set.tvr", "devices.cfg", "files.cfg"}));
}

TEST_F(WindowCommands, DeleteFileAsksTheQuestionAndKeepsTheHotkeysFiring) {
    prompts.answerQuestion(false);
    find<QAction>("Deletefile1")->trigger();
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].kind, Kind::Question);
    EXPECT_EQ(prompts.shown()[0].caption, "Question");
    EXPECT_EQ(prompts.shown()[0].text, "Are you sure to delete Set ?");
    EXPECT_TRUE(folder.exists("Set.tvr"));

    prompts.answerQuestion(true);
    form().sBitBtn3Click();
    EXPECT_FALSE(folder.exists("Set.tvr"));
    EXPECT_TRUE(shown("filenames").isEmpty());
    EXPECT_EQ(shown("midiname"), (QStringList{"[x] Play", "[x] Hold"}));
    ASSERT_TRUE(play(0x90, 0x3C, 0x7F));
    EXPECT_EQ(keyboard.Trace(), "+A -A");
}

TEST_F(WindowCommands, SelectingAFileLoadsItAndClearsTheSelection) {
    folder.write("files.cfg", "Set\r\nOther\r\n");
    folder.write("Other.tvr", HotkeyLine("Solo", "B0, 10, 7F", "s", "keyn", "0"));
    form().store().loadClick();
    pick("filenames", 1);
    EXPECT_EQ(shown("filenames"), (QStringList{"[ ] Set", "[x] Other"}));
    EXPECT_EQ(shown("midiname"), QStringList{"[ ] Solo"});
    EXPECT_EQ(form().store().currentfile(), "Other");
    EXPECT_FALSE(list("filenames")->currentIndex().isValid());

    // Picking the current file again reads it from disk again.
    folder.write("Other.tvr", HotkeyLine("Solo", "B0, 10, 7F", "s", "keyn", "-1"));
    pick("filenames", 1);
    EXPECT_EQ(shown("midiname"), QStringList{"[x] Solo"});
}

TEST_F(WindowCommands, SelectingAHotkeyFillsTheInfoPanelWhichKeepsItAfterTheDelete) {
    pick("midiname", 1);
    EXPECT_EQ(label("sLabelFX4"), "Name: Hold");
    EXPECT_EQ(label("sLabelFX5"), "Midi event: 90, 3E, $d");
    EXPECT_EQ(label("sLabelFX6"), "Outgoing action: b");

    find<QAction>("DeleteHotkey1")->trigger();
    EXPECT_EQ(folder.read("Set.tvr"), kPlayLine);
    EXPECT_EQ(shown("midiname"), QStringList{"[x] Play"});
    EXPECT_FALSE(form().selectedHotkey());
    EXPECT_EQ(label("sLabelFX4"), "Name: Hold");

    form().sBitBtn6Click(); // nothing selected: nothing happens
    EXPECT_EQ(folder.read("Set.tvr"), kPlayLine);
}

TEST_F(WindowCommands, ACheckBoxClickSavesAtOnceAndStopsTheHotkeyFiring) {
    QAbstractItemModel* model = list("midiname")->model();
    ASSERT_TRUE(model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(folder.read("Set.tvr"), HotkeyLine("Play", "90, 3C, 7F", "a", "keyn", "0") + kHoldLine);
    EXPECT_EQ(shown("midiname"), (QStringList{"[ ] Play", "[x] Hold"}));
    EXPECT_EQ(label("sLabelFX4"), "Name: Play");
    ASSERT_TRUE(play(0x90, 0x3C, 0x7F));
    EXPECT_TRUE(keyboard.Events().empty());
}

TEST_F(WindowCommands, EditNeedsASelectedHotkey) {
    find<QAction>("Edithotkey1")->trigger();
    EXPECT_EQ(prompts.texts(), std::vector<QString>{"Please select a present first"});
    EXPECT_FALSE(program->properties().isVisible());
    EXPECT_TRUE(form().isEnabled());
}

TEST_F(WindowCommands, EditAndNewOpenTheDialogInTheirModeAndDisableTheWindow) {
    pick("midiname", 1);
    form().sBitBtn1Click();
    EXPECT_TRUE(program->properties().isVisible());
    EXPECT_EQ(program->properties().dialogmode, "edit");
    EXPECT_EQ(program->properties().editindex, 1);
    EXPECT_FALSE(form().isEnabled());

    program->properties().close();
    EXPECT_TRUE(WaitFor([&] { return form().isEnabled(); }));
    EXPECT_EQ(midi->OnShortMessage(), form().matcher().handler())
        << "hotkeys fire again once the dialog closed";

    find<QAction>("NewHotkey1")->trigger();
    EXPECT_TRUE(program->properties().isVisible());
    EXPECT_EQ(program->properties().dialogmode, "add");
    EXPECT_FALSE(form().isEnabled());
}

TEST_F(WindowCommands, OpeningTheDialogEndsARunningHoldWhoseReleaseItWouldTake) {
    ASSERT_TRUE(play(0x90, 0x3E, 0x40));
    ASSERT_TRUE(form().matcher().Repeating());
    find<QAction>("NewHotkey1")->trigger();
    EXPECT_FALSE(form().matcher().Repeating());
    EXPECT_GE(keyboard.ReleaseAllCalls(), 1);
}

// A quit (SIGTERM, a logout) ends every event loop, also the one of an open
// prompt, which then returns as if cancelled.
class QuitDuringAPrompt : public ProgramFixture {
protected:
    class QuittingPrompts : public AnsweringPrompts {
    public:
        std::function<void()> quit;
        std::optional<QString> input(const QString& caption, const QString& prompt,
                                     const QString& initial) override {
            quit();
            return AnsweringPrompts::input(caption, prompt, initial);
        }
    };

    void SetUp() override {
        program = std::make_unique<app::Program>(
            app::TForm2::Services{*midi, keyboard, quitting, folder.path(), [] { return false; }});
        program->start();
        quitting.quit = [this] { form().close(); };
    }
    ~QuitDuringAPrompt() override { program.reset(); }

    QuittingPrompts quitting;
};

TEST_F(QuitDuringAPrompt, TheNewFilePromptCreatesNoFileAfterTheLastSave) {
    quitting.answerInput(std::nullopt);
    form().sBitBtn2Click();
    EXPECT_FALSE(folder.exists("Default.tvr"));
    EXPECT_EQ(folder.read("files.cfg"), "Set\r\n");
    EXPECT_EQ(form().store().filenames().names(), std::vector<std::string>{"Set"});
}

} // namespace
} // namespace tonvarra::test
