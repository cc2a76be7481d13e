#include "tools/host/Wav.h"

#include <cstring>

#include "framework/TextEncoding.h"

namespace tessel::host {
namespace {

void Put16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The RIFF size fields are 32-bit: longer recordings are capped, whole frames kept.
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - 36u - 3u;

}  // namespace

std::array<uint8_t, 44> WavHeader(uint32_t sample_rate, uint16_t channels, uint16_t bits,
                                  uint32_t data_bytes) {
  std::array<uint8_t, 44> h{};
  uint16_t block_align = static_cast<uint16_t>(channels * (bits / 8));
  std::memcpy(&h[0], "RIFF", 4);
  Put32(&h[4], 36 + data_bytes);
  std::memcpy(&h[8], "WAVE", 4);
  std::memcpy(&h[12], "fmt ", 4);
  Put32(&h[16], 16);
  Put16(&h[20], 1);  // PCM
  Put16(&h[22], channels);
  Put32(&h[24], sample_rate);
  Put32(&h[28], sample_rate * block_align);
  Put16(&h[32], block_align);
  Put16(&h[34], bits);
  std::memcpy(&h[36], "data", 4);
  Put32(&h[40], data_bytes);
  return h;
}

WavWriter::~WavWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

bool WavWriter::Open(const std::string& path, uint16_t channels) {
  channels_ = channels;
  values_ = 0;
  failed_ = false;
  file_ = _wfopen(fw::Widen(path).c_str(), L"wb");
  if (file_ == nullptr) return false;
  auto header = WavHeader(0, channels_, 16, 0);
  failed_ = std::fwrite(header.data(), 1, header.size(), file_) != header.size();
  return !failed_;
}

bool WavWriter::Append(const int16_t* values, std::size_t count) {
  if (file_ == nullptr || failed_) return false;
  if ((values_ + count) * 2 > kMaxDataBytes) return false;
  // The file is little-endian, as is every machine this runs on.
  if (std::fwrite(values, sizeof(int16_t), count, file_) != count) failed_ = true;
  values_ += count;
  return !failed_;
}

bool WavWriter::Close(uint32_t sample_rate) {
  if (file_ == nullptr) return false;
  uint32_t frame_bytes = 2u * channels_;
  uint32_t data_bytes = static_cast<uint32_t>(values_ * 2);
  // A trailing partial frame stays in the file but outside the declared data.
  data_bytes -= data_bytes % frame_bytes;
  auto header = WavHeader(sample_rate, channels_, 16, data_bytes);
  bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 &&
            std::fwrite(header.data(), 1, header.size(), file_) == header.size();
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}

}  // namespace tessel::host
