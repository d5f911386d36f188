#include "app/hotkey_index.h"

#include "app/event_text.h"
#include "base/cp1252.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace tonvarra::app {
namespace {

// The matching rules transcribed literally as character operations on the
// stored texts, with the 1-based Delete and Copy of the original string library.
// The index must give the same answer for every table and message.
std::string Delete(std::string s, std::size_t index, std::size_t count) {
    if (index < 1 || index > s.size()) {
        return s;
    }
    s.erase(index - 1, count);
    return s;
}

std::string Copy(const std::string& s, std::size_t index, std::size_t count) {
    return index > s.size() ? std::string() : s.substr(index - 1, count);
}

ScanResult OracleScan(const std::vector<std::string>& data, const std::string& I, bool StopOnReleaseArmed) {
    ScanResult result;
    for (auto i = static_cast<std::int32_t>(data.size()) - 1; i >= 0; --i) {
        const std::string S = data[static_cast<std::size_t>(i)];
        if (Delete(S, 3, 8) != Copy(I, 1, 2)) {
            continue;
        }
        if (Delete(Delete(S, 1, 4), 3, 5) != Copy(I, 5, 2)) {
            continue;
        }
        const std::string F = Delete(S, 1, 8);
        const std::string V = Copy(I, 9, 2);
        if (F == V) {
            result.row = i;
            return result;
        }
        if (F == " *") {
            if (!StopOnReleaseArmed) {
                continue;
            }
            if (V == "00") {
                result.releaseStop = true;
            }
            result.row = i;
            return result;
        }
        if (F == "$d") {
            if (StopOnReleaseArmed && V == "00") {
                result.releaseStop = true;
            }
            if (V != "00") {
                result.row = i;
            }
            return result;
        }
    }
    return result;
}

// Pieces that mostly form valid texts over few notes, so that tables are full
// of collisions, with malformed variants mixed in.
std::string RandomStoredText(std::mt19937& rng) {
    static const std::array<const char*, 6> statuses = {"90", "90", "80", "B0", "9o", "b0"};
    static const std::array<const char*, 5> keys = {"3C", "3C", "3D", "0A", "3c"};
    static const std::array<const char*, 9> velocities = {"64", "00", "7F",  " *", "$d",
                                                          "$D", "*",  "64 ", "6"};
    static const std::array<const char*, 4> separators = {", ", ", ", ";x",
                                                          "\xC3\xA9 "}; // "é " is one byte in the file
    auto pick = [&](const auto& list) { return std::string(list[rng() % list.size()]); };
    std::string text = pick(statuses) + pick(separators) + pick(keys) + pick(separators) + pick(velocities);
    switch (rng() % 16) {
    case 0:
        return text.substr(0, rng() % (text.size() + 1));
    case 1:
        return text + "0";
    default:
        return text;
    }
}

TEST(HotkeyIndex, AgreesWithTheCharacterComparisonsOnRandomTables) {
    std::mt19937 rng(20261211);
    const std::array<std::uint8_t, 3> statuses = {0x90, 0x80, 0xB0};
    const std::array<std::uint8_t, 3> keys = {0x3C, 0x3D, 0x0A};
    const std::array<std::uint8_t, 4> velocities = {0x64, 0x00, 0x7F, 0x01};
    for (int table = 0; table < 3000; ++table) {
        store::HotkeyTable::Rows rows(rng() % 12);
        std::vector<std::string> stored;
        for (auto& row : rows) {
            row.data = RandomStoredText(rng);
            stored.push_back(*Utf8ToCp1252(row.data));
        }
        const HotkeyIndex index(rows);
        for (const auto status : statuses) {
            for (const auto key : keys) {
                for (const auto velocity : velocities) {
                    for (const bool armed : {false, true}) {
                        const std::string I = EventText(status, key, velocity).str();
                        ASSERT_EQ(index.Scan(status, key, velocity, armed), OracleScan(stored, I, armed))
                            << "message " << I << (armed ? " armed" : "") << ", table " << table;
                    }
                }
            }
        }
    }
}

TEST(EventText, FormatsWithUpperCaseDigits) {
    EXPECT_EQ(EventText(0x90, 0x3C, 0x64).str(), "90, 3C, 64");
    EXPECT_EQ(EventText(0xB0, 0x0A, 0x7F).str(), "B0, 0A, 7F");
    EXPECT_EQ(IncomingText(0xFA, 0xCE, 0x00), "Incoming: FA, CE, 00");
}

} // namespace
} // namespace tonvarra::app
