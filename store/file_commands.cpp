#include "store/file_commands.h"

#include "base/cp1252.h"
#include "base/error.h"
#include "store/settings_format.h"
#include "store/settings_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tonvarra::store {
namespace {

// The bytes of Windows-1252 that are no character but decode to a C1 control.
bool IsControlByte(unsigned char b) {
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

std::string SystemText(const std::filesystem::path& path, int err) {
    return "Cannot create file \"" + path.string() + "\". " + std::strerror(err);
}

// Creates the file with 0 bytes unless it exists; an existing file is left as it
// is so that its hotkeys are never lost. Returns whether it was created.
bool CreateUnlessExisting(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    const int err = errno;
    std::error_code ec;
    if (err == EEXIST && std::filesystem::is_regular_file(path, ec)) {
        return false;
    }
    throw Error(SystemText(path, err == EEXIST ? EISDIR : err));
}

struct FileListState {
    std::vector<std::string> names;
    std::vector<bool> ticks;
    std::optional<std::size_t> selected;

    explicit FileListState(const CheckList& list)
        : names(list.names())
        , selected(list.selected()) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            ticks.push_back(list.ticked(i));
        }
    }
    void restore(CheckList& list) const {
        list.clear();
        for (std::size_t i = 0; i < names.size(); ++i) {
            list.append(names[i], ticks[i]);
        }
        list.select(selected);
    }
};

CommandResult Save(HotkeyStore& store) {
    try {
        store.saveClick();
    } catch (const Error& e) {
        return CommandResult::error(e.what());
    }
    return CommandResult::done();
}

} // namespace

std::optional<std::string> CheckNewFileName(const std::vector<std::string>& listed, std::string_view name) {
    for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
        if (*it == name) {
            return "Name already in use";
        }
    }
    if (name.empty()) {
        return "Please enter a name";
    }
    if (name.find_first_of("/\\:*?\"<>|") != std::string_view::npos) {
        return "A file name must not contain any of the characters / \\ : * ? \" < > |";
    }
    if (name.find("..") != std::string_view::npos) {
        return "A file name must not contain \"..\"";
    }
    if (name.front() == '.') {
        return "A file name must not begin with a dot";
    }
    const std::optional<std::string> bytes = Utf8ToCp1252(name);
    if (!bytes) {
        return "A file name must hold only characters of the Windows-1252 character set";
    }
    for (const char c : *bytes) {
        if (IsControlByte(static_cast<unsigned char>(c))) {
            return "A file name must not contain control characters";
        }
    }
    return std::nullopt;
}

CommandResult CreateHotkeyFile(HotkeyStore& store, const std::string& name) {
    CheckList& files = store.filenames();
    if (std::optional<std::string> why = CheckNewFileName(files.names(), name)) {
        return CommandResult::message(std::move(*why));
    }
    std::filesystem::path path;
    bool created = false;
    try {
        path = HotkeyFilePath(store.settingsFolder(), name);
        created = CreateUnlessExisting(path);
    } catch (const Error& e) {
        return CommandResult::error(e.what());
    }

    const FileListState before(files);
    files.append(name);
    files.clearTicks();
    files.setTicked(files.size() - 1, true);
    try {
        WriteFileAtomically(store.settingsFolder() / "files.cfg", FormatFileList(files.names()));
    } catch (const Error& e) {
        // Without files.cfg the new file would be ticked but never listed on
        // disk, and the next save would write the old table into it.
        before.restore(files);
        if (created) {
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
        return CommandResult::error(e.what());
    }

    store.currentfile() = files.name(files.size() - 1);
    store.loadClick();
    if (files.size() > 0) {
        files.setTicked(files.size() - 1, true);
    }
    return CommandResult::done();
}

CommandResult DeleteTickedHotkeyFiles(HotkeyStore& store, const ConfirmDelete& confirm) {
    CheckList& files = store.filenames();
    for (std::size_t k = files.size(); k-- > 0;) {
        if (k >= files.size() || !files.ticked(k)) {
            continue;
        }
        const std::string name = files.name(k);
        if (!confirm(name)) {
            continue;
        }
        try {
            std::error_code ec;
            std::filesystem::remove(HotkeyFilePath(store.settingsFolder(), name), ec);
        } catch (const Error&) {
            // A name from a hand-edited files.cfg that points outside the
            // folder: its file is not touched, its row goes all the same.
        }
        files.remove(k);
        if (CommandResult saved = Save(store); !saved.ok()) {
            return saved;
        }
    }
    return CommandResult::done();
}

void SelectHotkeyFile(HotkeyStore& store, std::size_t r) {
    CheckList& files = store.filenames();
    if (r >= files.size()) {
        return;
    }
    files.clearTicks();
    files.setTicked(r, true);
    store.currentfile() = files.name(r);
    store.loadClick();
    if (r < files.size()) {
        files.setTicked(r, true);
    }
}

CommandResult SetHotkeyEnabled(HotkeyStore& store, std::size_t r, bool enabled) {
    if (r >= store.table().size()) {
        return CommandResult::done();
    }
    store.table().setEnabled(r, enabled);
    return Save(store);
}

CommandResult DeleteHotkey(HotkeyStore& store, std::size_t r) {
    if (r >= store.table().size()) {
        return CommandResult::done();
    }
    store.table().remove(r);
    return Save(store);
}

} // namespace tonvarra::store
