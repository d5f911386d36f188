#include "keys/key_name_table.h"

#include <algorithm>

namespace tonvarra::keys {
namespace {

constexpr bool SortedByName() {
    return std::is_sorted(KeyNameTable.begin(), KeyNameTable.end(),
                          [](const KeyName& a, const KeyName& b) { return a.name < b.name; });
}
// The halving search depends on it; a row added out of order fails the build.
static_assert(SortedByName());

} // namespace
} // namespace tonvarra::keys
