#pragma once

// Whole-file reads and atomic whole-file writes for the settings folder.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tonvarra::store {

// The bytes of a file, or nothing with `error` set (no_such_file_or_directory
// when it does not exist).
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                                       std::error_code& error);

// Called after the temporary file is complete and on disk, before it replaces
// the target; a test uses it to stand for a crash at that moment.
using BeforeReplace = std::function<void(const std::filesystem::path& temporary)>;

// Replaces the whole file with `bytes`: writes ".<name>.tmp" in the same folder,
// flushes it and renames it over the target, so the target holds either the old
// or the new bytes and never a part. A write-protected target is refused.
// Throws tonvarra::Error "Cannot create file "<path>". <system text>"; the target
// is then unchanged and the temporary file removed.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const BeforeReplace& beforeReplace = {});

} // namespace tonvarra::store
