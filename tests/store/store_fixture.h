#pragma once

// A temporary settings folder and a MIDI input manager over the scripted
// driver, for tests of the hotkey store.

#include "midi/midi_input.h"
#include "store/hotkey_store.h"
#include "support/scripted_midi_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tonvarra::test {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::optional<std::string> ReadIfPresent(const std::filesystem::path& path) {
    if (!std::filesystem::is_regular_file(path)) {
        return std::nullopt;
    }
    return ReadBytes(path);
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A golden file from tests/data.
inline std::string Golden(const std::string& name) {
    return ReadBytes(std::filesystem::path(TONVARRA_TEST_DATA) / name);
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::path(::testing::TempDir()) / "tonvarra-store-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        folder_ = root_ / "Settings";
        std::filesystem::create_directory(folder_);
    }
    void TearDown() override {
        store_.reset();
        input_.reset();
        std::error_code ignored;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
    }

    // Makes the manager with these devices and a store over the folder, with device2 filled.
    store::HotkeyStore& Start(std::vector<std::string> devices = {"Pads"}) {
        auto owned = std::make_unique<ScriptedMidiDriver>(devices);
        driver_ = owned.get();
        input_ = std::make_unique<midi::TMidiInput>(std::move(owned));
        store_ = std::make_unique<store::HotkeyStore>(folder_, *input_);
        store_->device2() = input_->DeviceNames();
        return *store_;
    }

    void Put(const std::string& name, std::string_view bytes) { WriteBytes(folder_ / name, bytes); }
    [[nodiscard]] std::optional<std::string> Get(const std::string& name) const {
        return ReadIfPresent(folder_ / name);
    }

    std::filesystem::path root_;
    std::filesystem::path folder_;
    ScriptedMidiDriver* driver_ = nullptr;
    std::unique_ptr<midi::TMidiInput> input_;
    std::unique_ptr<store::HotkeyStore> store_;
};

} // namespace tonvarra::test
