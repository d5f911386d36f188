#include "settings_folder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>

namespace tonvarra::test {

SettingsFolder::SettingsFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tonvarra-gui-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
    path_ = root_ / "Settings";
    std::filesystem::create_directory(path_);
}

SettingsFolder::~SettingsFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void SettingsFolder::write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string SettingsFolder::read(std::string_view name) const {
    std::ifstream in(file(name), std::ios::binary);
    if (!in) {
        return "<missing>";
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool SettingsFolder::exists(std::string_view name) const {
    return std::filesystem::exists(file(name));
}

std::vector<std::string> SettingsFolder::listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string HotkeyLine(std::string_view name, std::string_view event, std::string_view action,
                       std::string_view kind, std::string_view enabled) {
    std::string line(name);
    line += "\x23\xFC\x23\xF6\x23";
    line += event;
    line += "\x23\x4C\x23\x4C\x23";
    line += action;
    line += "\x23\x3F\x23\x24\x23";
    line += kind;
    line += "\x23\x30\x23\xC4\x23";
    line += enabled;
    line += "\r\n";
    return line;
}

} // namespace tonvarra::test
