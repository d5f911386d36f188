#pragma once

// A temporary settings folder for one test, with helpers that read and write
// its files byte for byte. Removed when the test ends.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tonvarra::test {

class SettingsFolder {
public:
    SettingsFolder();
    ~SettingsFolder();
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::filesystem::path file(std::string_view name) const { return path_ / name; }
    void write(std::string_view name, std::string_view bytes) const;
    [[nodiscard]] std::string read(std::string_view name) const;
    [[nodiscard]] bool exists(std::string_view name) const;
    // Every file name in the folder, sorted.
    [[nodiscard]] std::vector<std::string> listing() const;

private:
    std::filesystem::path root_;
    std::filesystem::path path_;
};

// One line of a hotkey file, in Windows-1252 bytes, from ASCII fields.
[[nodiscard]] std::string HotkeyLine(std::string_view name, std::string_view event, std::string_view action,
                                     std::string_view kind, std::string_view enabled);

} // namespace tonvarra::test
