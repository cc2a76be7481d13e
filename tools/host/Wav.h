// A 16-bit PCM WAV file, written as blocks arrive.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tessel::host {

// The 44-byte header of a PCM WAV file with `data_bytes` of sample data.
std::array<uint8_t, 44> WavHeader(uint32_t sample_rate, uint16_t channels, uint16_t bits,
                                  uint32_t data_bytes);

// Writes interleaved 16-bit samples to a file and completes the header on Close.
class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates the file at `path` (UTF-8) with a provisional header; false when it
  // cannot be created.
  bool Open(const std::string& path, uint16_t channels);
  // Appends `count` 16-bit values (whole frames are the caller's affair).
  bool Append(const int16_t* values, std::size_t count);
  // Writes the final header with `sample_rate` and closes; false on a write error.
  bool Close(uint32_t sample_rate);

  uint64_t ValuesWritten() const { return values_; }

 private:
  std::FILE* file_ = nullptr;
  uint16_t channels_ = 2;
  uint64_t values_ = 0;
  bool failed_ = false;
};

}  // namespace tessel::host
