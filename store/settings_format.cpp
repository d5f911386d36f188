#include "store/settings_format.h"

#include "base/cp1252.h"
#include "base/error.h"

#include <algorithm>
#include <cctype>

namespace tonvarra::store {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kSeparatorLength = 5;

// The four texts of a line as Windows-1252 bytes, in file order, plus the enabled text.
struct LineFields {
    std::string_view name, data, outgoing, outgoingset, namechecked;
    friend bool operator==(const LineFields&, const LineFields&) = default;
};

std::string_view between(std::string_view line, std::size_t from, std::size_t to) {
    return from < to ? line.substr(from, to - from) : std::string_view{};
}

// The left-to-right scan: every position where a separator begins moves the
// field boundaries, so repeated or misplaced separators still give five fields.
LineFields scanLine(std::string_view line) {
    LineFields f;
    std::size_t start = 0;
    for (std::size_t p = 0; p + kSeparatorLength <= line.size(); ++p) {
        if (line[p] != '#') {
            continue;
        }
        const std::string_view here = line.substr(p, kSeparatorLength);
        if (here == kHotkeySeparators[0]) {
            f.name = line.substr(0, p);
            start = p + kSeparatorLength;
        } else if (here == kHotkeySeparators[1]) {
            f.data = between(line, start, p);
            start = p + kSeparatorLength;
        } else if (here == kHotkeySeparators[2]) {
            f.outgoing = between(line, start, p);
            start = p + kSeparatorLength;
        } else if (here == kHotkeySeparators[3]) {
            f.outgoingset = between(line, start, p);
            f.namechecked = line.substr(p + kSeparatorLength);
        }
    }
    return f;
}

std::string joinLine(const LineFields& f) {
    std::string line;
    line.reserve(f.name.size() + f.data.size() + f.outgoing.size() + f.outgoingset.size() +
                 f.namechecked.size() + 4 * kSeparatorLength);
    line.append(f.name).append(kHotkeySeparators[0]);
    line.append(f.data).append(kHotkeySeparators[1]);
    line.append(f.outgoing).append(kHotkeySeparators[2]);
    line.append(f.outgoingset).append(kHotkeySeparators[3]);
    line.append(f.namechecked);
    return line;
}

bool holdsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string encodeHotkeyText(const HotkeyEntry& row, std::string_view text) {
    std::optional<std::string> bytes = Utf8ToCp1252(text);
    if (!bytes) {
        throw Error("The hotkey \"" + row.midiname +
                    "\" holds a character that cannot be stored in a hotkey file.");
    }
    return std::move(*bytes);
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

std::optional<bool> ReadTruthValue(std::string_view text) {
    auto equalsIgnoringCase = [text](std::string_view word) {
        return std::equal(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == static_cast<unsigned char>(b);
        });
    };
    if (equalsIgnoringCase("true")) {
        return true;
    }
    if (equalsIgnoringCase("false")) {
        return false;
    }
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return digits.find_first_not_of('0') != std::string_view::npos;
}

HotkeyEntry ParseHotkeyLine(std::string_view line) {
    const LineFields f = scanLine(line);
    HotkeyEntry entry;
    entry.midiname = Cp1252ToUtf8(f.name);
    entry.data = Cp1252ToUtf8(f.data);
    entry.outgoing = Cp1252ToUtf8(f.outgoing);
    entry.outgoingset = Cp1252ToUtf8(f.outgoingset);
    entry.namechecked = Cp1252ToUtf8(f.namechecked);
    if (joinLine(f) != line) {
        entry.line = std::string(line);
    }
    return entry;
}

HotkeyTable::Rows ParseHotkeyFile(std::string_view bytes) {
    HotkeyTable::Rows rows;
    for (std::string_view line : SplitLines(bytes)) {
        if (!line.empty()) {
            rows.push_back(ParseHotkeyLine(line));
        }
    }
    return rows;
}

std::vector<std::string> ParseNameList(std::string_view bytes) {
    std::vector<std::string> names;
    for (std::string_view line : SplitLines(bytes)) {
        names.push_back(Cp1252ToUtf8(line));
    }
    return names;
}

std::string FormatHotkeyFile(const HotkeyTable::Rows& rows) {
    std::string out;
    for (const HotkeyEntry& row : rows) {
        if (!row.line.empty()) {
            out.append(row.line).append(kLineEnd);
            continue;
        }
        const std::string name = encodeHotkeyText(row, row.midiname);
        const std::string data = encodeHotkeyText(row, row.data);
        const std::string outgoing = encodeHotkeyText(row, row.outgoing);
        const std::string outgoingset = encodeHotkeyText(row, row.outgoingset);
        const std::string namechecked = encodeHotkeyText(row, row.namechecked);
        const LineFields fields{name, data, outgoing, outgoingset, namechecked};
        std::string line = joinLine(fields);
        // The format has no escape: a text that would not read back as itself
        // would corrupt this hotkey or split it into others.
        if (holdsLineBreakOrNul(line) || scanLine(line) != fields) {
            throw Error("The hotkey \"" + row.midiname +
                        "\" holds a line break or one of the texts #\xC3\xBC#\xC3\xB6#, #L#L#, #?#$#, "
                        "#0#\xC3\x84#, which a hotkey file cannot store.");
        }
        out.append(line).append(kLineEnd);
    }
    return out;
}

std::string FormatFileList(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) {
        std::optional<std::string> bytes = Utf8ToCp1252(name);
        if (!bytes) {
            throw Error("The file name \"" + name +
                        "\" holds a character that cannot be stored in files.cfg.");
        }
        if (holdsLineBreakOrNul(*bytes)) {
            throw Error("The file name \"" + name + "\" holds a line break.");
        }
        out.append(*bytes).append(kLineEnd);
    }
    return out;
}

std::string DeviceNameBytes(std::string_view name) {
    std::optional<std::string> bytes = Utf8ToCp1252(name);
    return bytes ? std::move(*bytes) : std::string(name);
}

std::string FormatDeviceList(const std::vector<std::string>& storedNames) {
    std::string out;
    for (const std::string& name : storedNames) {
        out.append(name).append(kLineEnd);
    }
    return out;
}

} // namespace tonvarra::store
