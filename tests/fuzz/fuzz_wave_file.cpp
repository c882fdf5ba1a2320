// Fuzz target: arbitrary bytes as a wave file, through the header reader
// of the native sound player. What it takes must describe whole frames of
// samples that lie inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/native/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plat::wave::Format f;
    if (!plat::wave::parse(data, size, &f)) return 0;
    const bool sound = f.channels >= 1 && f.channels <= 8 && f.frame_bytes > 0 &&
                       f.frame_bytes == f.channels * (f.bits / 8) &&
                       f.data_size % f.frame_bytes == 0 && f.data_offset <= size &&
                       f.data_size <= size - f.data_offset;
    if (!sound) std::abort();
    // Every sample byte is readable.
    unsigned sum = 0;
    for (std::size_t i = 0; i < f.data_size; ++i)
        sum += data[f.data_offset + i];
    return static_cast<int>(sum & 0);
}
