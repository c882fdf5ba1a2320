// The wave files the native sound player plays: RIFF WAVE with PCM
// samples. Internal to the native backend.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat::wave {

struct Format {
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t bits = 0;        // 8, 16, 24 or 32 bits a sample
    std::size_t data_offset = 0;   // where the samples start in the file
    std::size_t data_size = 0;     // whole frames only
    std::uint16_t frame_bytes = 0; // channels * bytes a sample
};

// Reads the header of a wave file of size bytes; false when it is no RIFF
// WAVE file of integer PCM samples (1 to 8 channels, 8 to 32 bits, a rate
// from 1000 to 384000) or its data chunk is missing. A data chunk that
// claims more than the file holds is cut to what is there.
bool parse(const std::uint8_t* bytes, std::size_t size, Format* out);

} // namespace plat::wave
