#include "store/hotkey_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tonvarra::store {
namespace {

HotkeyEntry Entry(const std::string& name, bool enabled = true) {
    return {name, "90, 3C, 7F", "{F5}", "keyn", enabled ? "-1" : "0", enabled, ""};
}

std::vector<std::string> Names(const HotkeyTable::Rows& rows) {
    std::vector<std::string> names;
    for (const HotkeyEntry& e : rows) {
        names.push_back(e.midiname);
    }
    return names;
}

TEST(HotkeyTable, EveryChangeActsOnWholeRowsAndTellsTheListenersAfterPublishing) {
    HotkeyTable table;
    std::vector<std::pair<TableChange::Kind, std::size_t>> changes;
    table.addListener([&](const TableChange& c) {
        // A listener already sees the new table, as the matcher compiles it here.
        EXPECT_EQ(table.snapshot()->size(), table.size());
        changes.emplace_back(c.kind, c.row);
    });
    table.append(Entry("A"));
    table.append(Entry("B", false));
    table.append(Entry("C"));
    table.remove(1);
    EXPECT_EQ(Names(*table.snapshot()), (std::vector<std::string>{"A", "C"}));

    // Replace changes the texts and keeps both faces of the mark.
    table.setEnabled(1, false);
    HotkeyEntry texts{"C2", "B0, 07,  *", "^s", "keystroker", "junk", true, ""};
    table.replace(1, texts);
    EXPECT_EQ(table.row(1), (HotkeyEntry{"C2", "B0, 07,  *", "^s", "keystroker", "0", false, ""}));

    using K = TableChange::Kind;
    EXPECT_EQ(changes, (std::vector<std::pair<K, std::size_t>>{{K::Inserted, 0},
                                                               {K::Inserted, 1},
                                                               {K::Inserted, 2},
                                                               {K::Removed, 1},
                                                               {K::Changed, 1},
                                                               {K::Changed, 1}}));
    EXPECT_THROW(table.remove(2), std::out_of_range);
    EXPECT_THROW(table.setEnabled(2, true), std::out_of_range);
}

TEST(HotkeyTable, TheTwoFacesOfTheMarkAlwaysAgree) {
    struct Case {
        const char* namechecked;
        bool enabled;
        const char* stored;
    };
    // What append keeps of the stored text for each face.
    const Case cases[] = {
        {"-1", true, "-1"}, {"True", true, "True"}, {"1", true, "1"}, {"0", false, "0"},
        {"0", true, "-1"},  {"-1", false, "0"},     {"", true, "-1"}, {"junk", false, "0"},
    };
    for (const Case& c : cases) {
        HotkeyTable table;
        HotkeyEntry e = Entry("A");
        e.namechecked = c.namechecked;
        e.enabled = c.enabled;
        e.line = "stale line";
        table.append(e);
        EXPECT_EQ(table.row(0).namechecked, c.stored) << c.namechecked << ' ' << c.enabled;
        EXPECT_EQ(table.row(0).enabled, c.enabled);
        EXPECT_EQ(table.row(0).line, "");
    }
    HotkeyTable table;
    table.assign({Entry("A")});
    table.assign({[] {
        HotkeyEntry e = Entry("A");
        e.namechecked = "True";
        e.line = "as read";
        return e;
    }()});
    table.setEnabled(0, true);
    EXPECT_EQ(table.row(0).namechecked, "-1");
    EXPECT_EQ(table.row(0).line, "");
    table.setEnabled(0, false);
    EXPECT_EQ(table.row(0).namechecked, "0");
    EXPECT_FALSE(table.row(0).enabled);
}

TEST(HotkeyTable, ASnapshotNeverChangesAfterItWasTaken) {
    HotkeyTable table;
    table.assign({Entry("A"), Entry("B")});
    const HotkeyTable::Snapshot before = table.snapshot();
    table.setEnabled(0, false);
    table.remove(1);
    EXPECT_EQ(Names(*before), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE((*before)[0].enabled);
    EXPECT_EQ(table.snapshot()->size(), 1u);
}

TEST(HotkeyTable, AReaderOnAnotherThreadSeesWholeTablesOnly) {
    // Generation g is g+1 rows all named g; a reader must never see a mixture.
    HotkeyTable table;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        while (!done.load()) {
            const HotkeyTable::Snapshot rows = table.snapshot();
            if (!rows->empty()) {
                const std::string& g = rows->front().midiname;
                bool whole = rows->size() == static_cast<std::size_t>(std::stoi(g)) + 1;
                for (const HotkeyEntry& e : *rows) {
                    whole = whole && e.midiname == g;
                }
                torn += whole ? 0 : 1;
            }
            ++reads;
        }
    });
    for (int g = 0; g < 2000; ++g) {
        HotkeyTable::Rows rows(static_cast<std::size_t>(g % 17) + 1, Entry(std::to_string(g % 17)));
        table.assign(std::move(rows));
        table.setEnabled(0, g % 2 == 0);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(reads.load(), 0);
}

} // namespace
} // namespace tonvarra::store
