#include "midi/sysex_data.h"

namespace tonvarra::midi {

TSysExData::TSysExData() {
    Header.lpData = Buffer.data();
    Header.dwBufferLength = static_cast<std::uint32_t>(BufferSize);
}

} // namespace tonvarra::midi
