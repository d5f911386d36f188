#include "store/hotkey_store.h"

#include "base/error.h"
#include "store/settings_format.h"
#include "store/settings_io.h"

#include <cstring>
#include <exception>
#include <utility>

namespace tonvarra::store {
namespace {

std::string readOrThrow(const std::filesystem::path& path, std::error_code& error) {
    std::optional<std::string> bytes = ReadWholeFile(path, error);
    if (!bytes) {
        throw Error("Cannot open file \"" + path.string() + "\". " + error.message());
    }
    return std::move(*bytes);
}

} // namespace

std::filesystem::path SettingsFolderBesideExecutable() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw Error("Cannot find the program's folder. " + error.message());
    }
    return executable.parent_path() / "Settings";
}

std::filesystem::path HotkeyFilePath(const std::filesystem::path& settingsFolder, const std::string& name) {
    if (name.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
        throw Error("\"" + name + "\" is not a valid file name.");
    }
    return settingsFolder / (name + ".tvr");
}

HotkeyStore::HotkeyStore(std::filesystem::path settingsFolder, midi::TMidiInput& midi)
    : folder_(std::move(settingsFolder))
    , midi_(midi) {
    device_.addListener([this](const TableChange&) {
        if (!loading_) {
            deviceSelectionKnown_ = true;
        }
    });
}

bool HotkeyStore::deviceEnabled(std::size_t j) const {
    return j < device_.size() && device_.ticked(j);
}

void HotkeyStore::loadClick() {
    // The table is published once, when its rows are final or the load ends,
    // so the matcher never sees it empty halfway through a load.
    HotkeyTable::Rows rows;
    bool published = false;
    auto publishTable = [&] {
        if (!published) {
            published = true;
            table_.assign(std::move(rows));
        }
    };
    loading_ = true;
    deviceSelectionKnown_ = false;
    tableFile_.reset();
    filenames_.clear();
    device_.clear();
    try {
        // A return ends the load early, as a failure does.
        [&] {
            std::error_code error;
            filenames_.assign(ParseNameList(readOrThrow(folder_ / "files.cfg", error)));
            std::vector<std::string_view> deviceLines;
            std::string devicesBytes;
            bool devicesRead = false;
            if (filenames_.size() > 0) {
                std::string name = currentfile_;
                if (name.empty()) {
                    filenames_.setTicked(0, true);
                    name = filenames_.name(0);
                }
                std::optional<std::string> bytes = ReadWholeFile(HotkeyFilePath(folder_, name), error);
                if (bytes || error == std::errc::no_such_file_or_directory) {
                    // A missing file is created by the next save; one that exists
                    // but cannot be read is never overwritten.
                    tableFile_ = name;
                }
                if (!bytes) {
                    return;
                }
                rows = ParseHotkeyFile(*bytes);
                for (HotkeyEntry& row : rows) {
                    const std::optional<bool> enabled = ReadTruthValue(row.namechecked);
                    if (!enabled) {
                        return; // this row and the rows after it stay unticked
                    }
                    row.enabled = *enabled;
                }
                publishTable();
                devicesBytes = readOrThrow(folder_ / "devices.cfg", error);
                deviceLines = SplitLines(devicesBytes);
                devicesRead = true;
            }
            publishTable();

            device_.assign(device2_);
            std::vector<std::string> stored;
            stored.reserve(device2_.size());
            for (const std::string& name : device2_) {
                stored.push_back(DeviceNameBytes(name));
            }
            // Every named device is ticked before any is opened, so one device that
            // fails to open does not leave the others unticked, which the next save
            // would then drop from devices.cfg.
            bool anyTicked = false;
            for (std::size_t line = deviceLines.size(); line-- > 0;) {
                for (std::size_t j = stored.size(); j-- > 0;) {
                    if (stored[j] == deviceLines[line]) {
                        device_.setTicked(j, true);
                        anyTicked = true;
                    }
                }
            }
            deviceSelectionKnown_ = devicesRead;
            loading_ = false;
            if (anyTicked) {
                mdeviceClick();
            }
        }();
    } catch (...) {
        // Every failure of the load is silent: what the steps before it did stays.
    }
    loading_ = false;
    publishTable();
}

void HotkeyStore::saveClick() {
    // Every file's bytes are made first, so a text that cannot be stored fails
    // the save before anything is written.
    std::vector<std::pair<std::filesystem::path, std::string>> writes;
    if (tableFile_) {
        std::optional<std::string> tableBytes;
        for (std::size_t i = filenames_.size(); i-- > 0;) {
            if (filenames_.ticked(i) && filenames_.name(i) == *tableFile_) {
                if (!tableBytes) {
                    tableBytes = FormatHotkeyFile(*table_.snapshot());
                }
                writes.emplace_back(HotkeyFilePath(folder_, *tableFile_), *tableBytes);
            }
        }
    }
    // Without rows in `device` the load did not get as far as the device
    // selection, and writing would lose devices.cfg and files.cfg. With an
    // empty file list the load did not read devices.cfg, so its unticked rows
    // are no selection of the user's and must not empty the file either.
    if (device_.size() > 0) {
        if (deviceSelectionKnown_) {
            std::vector<std::string> enabled;
            for (std::size_t i = device_.size(); i-- > 0;) {
                if (device_.ticked(i)) {
                    enabled.push_back(DeviceNameBytes(device_.name(i)));
                }
            }
            writes.emplace_back(folder_ / "devices.cfg", FormatDeviceList(enabled));
        }
        writes.emplace_back(folder_ / "files.cfg", FormatFileList(filenames_.names()));
    }
    for (const auto& [path, bytes] : writes) {
        WriteFileAtomically(path, bytes);
    }
    // The ticked file could not be read at the load, so it is not overwritten;
    // hotkeys made since would be lost without a word, so the save says so.
    if (!tableFile_ && table_.size() > 0) {
        for (std::size_t i = filenames_.size(); i-- > 0;) {
            if (filenames_.ticked(i)) {
                throw Error("The hotkey file \"" + filenames_.name(i) +
                            "\" could not be read, so it is not overwritten: the hotkeys are not saved.");
            }
        }
    }
}

void HotkeyStore::mdeviceClick() {
    std::exception_ptr first;
    for (std::size_t i = device_.size(); i-- > 0;) {
        if (device_.ticked(i)) {
            try {
                midi_.Open(static_cast<std::int32_t>(i));
            } catch (...) {
                if (!first) {
                    first = std::current_exception();
                }
            }
        }
        midi_.SetOnShortMessage(handleMidiData_);
    }
    if (first) {
        std::rethrow_exception(first);
    }
}

void HotkeyStore::syncDevices() {
    std::vector<std::string> failures(device_.size());
    for (std::size_t i = device_.size(); i-- > 0;) {
        try {
            if (device_.ticked(i)) {
                midi_.Open(static_cast<std::int32_t>(i));
            } else {
                midi_.Close(static_cast<std::int32_t>(i));
            }
        } catch (const std::exception& e) {
            failures[i] = e.what();
            if (failures[i].empty()) {
                failures[i] = "Unknown error";
            }
        }
    }
    std::string report;
    for (std::size_t i = failures.size(); i-- > 0;) {
        const bool reported = i < syncFailures_.size() && syncFailures_[i] == failures[i];
        if (!failures[i].empty() && !reported) {
            report += (report.empty() ? "" : "\n") + failures[i];
        }
    }
    syncFailures_ = std::move(failures);
    if (!report.empty()) {
        throw Error(report);
    }
}

} // namespace tonvarra::store
