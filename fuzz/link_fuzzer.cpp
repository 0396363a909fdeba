// libFuzzer target: a link's set-up, which anyone can write. The input is
// read twice: as the string's bytes of a shared link (decodeString), and as
// settings, one name=value per line (readSetting, then applySetup). Neither
// may crash or write outside the string; a string read is within its bounds
// and encodes back to the same bytes; a set-up keeps k, t and the anchors in
// their ranges.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "setup.h"
#include "string_link.h"

namespace {

constexpr int kColumns = 640;

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "link_fuzzer: broken: %s\n", what);
        std::abort();
    }
}

void readString(const std::uint8_t* data, std::size_t size)
{
    StringState state = makeString(kColumns);
    if (!decodeString(data, size, state)) {
        for (int i = 0; i < kColumns; ++i)
            require(state.pos[i] == 0 && state.vel[i] == 0, "a string not read is left untouched");
        return;
    }
    for (int i = 0; i < kColumns; ++i)
        require(std::abs(state.pos[i]) <= kMaxLinkedValue && std::abs(state.vel[i]) <= kMaxLinkedValue,
                "a string read is within its bounds");
    require(encodeString(state, {data[1], data[2], false}) == std::vector<std::uint8_t>(data, data + size),
            "a string read encodes back to its bytes");
}

void readSettings(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Setup setup = makeSetup(kColumns);
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::size_t equals = line.find('=');
        readSetting(setup, line.substr(0, equals), equals == std::string_view::npos ? "" : line.substr(equals + 1));
        start = end + 1;
    }
    StringState state = makeString(kColumns);
    applySetup(setup, state);
    require(state.k >= 0 && state.k <= 1, "k in [0, 1]");
    require(state.t >= kMinT && state.t <= kMaxT, "t in its range");
    require(state.pos.size() == static_cast<std::size_t>(kColumns), "pos is w long");
    for (int i = 0; i < kColumns; ++i)
        require(std::isfinite(state.pos[i]) && std::abs(state.pos[i]) <= 240.0 * (setup.shapes.size() + 1),
                "shapes add up to finite heights");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readString(data, size);
    readSettings(data, size);
    return 0;
}
