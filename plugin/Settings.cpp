#include "plugin/Settings.h"

#include <windows.h>

#include <vector>

#include "plugin/IniNumber.h"

namespace tessel {
namespace {

// Reads a key as text, the empty text when it is missing, of any length.
std::string ReadKey(const std::string& path, const char* key) {
  std::vector<char> buffer(256);
  for (;;) {
    DWORD got = GetPrivateProfileStringA(kSettingsSection, key, "", buffer.data(),
                                         static_cast<DWORD>(buffer.size()), path.c_str());
    // A full buffer means the value may have been cut: try again with more room.
    if (got + 1 < buffer.size() || buffer.size() >= (1u << 20))
      return std::string(buffer.data(), got);
    buffer.resize(buffer.size() * 4);
  }
}

bool WriteKey(const std::string& path, const char* key, int32_t value) {
  std::string text = std::to_string(value);
  return WritePrivateProfileStringA(kSettingsSection, key, text.c_str(), path.c_str()) != FALSE;
}

}  // namespace

std::string SettingsPathFor(const std::string& exe_path) {
  std::size_t cut = exe_path.find_last_of("\\:");
  std::string folder = cut == std::string::npos ? std::string() : exe_path.substr(0, cut + 1);
  return folder + kSettingsFileName;
}

std::string ExecutablePath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD got = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return {};
    if (got < buffer.size()) return std::string(buffer.data(), got);
    if (buffer.size() >= 65536) return std::string(buffer.data(), got);
    buffer.resize(buffer.size() * 2);
  }
}

void ApplySettingDefaults(ReceiverSettings& settings) {
  for (const SettingField& field : kSettingFields) field.Set(settings, field.Default);
}

std::string SettingsFilePath() {
  return SettingsPathFor(ExecutablePath());
}

bool LoadSettings(const std::string& path, ReceiverSettings& settings) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  for (const SettingField& field : kSettingFields)
    field.Set(settings, ReadIniNumber(ReadKey(path, field.Key)));
  return true;
}

bool SaveSettings(const std::string& path, const ReceiverSettings& settings) {
  if (path.empty()) return true;
  for (const SettingField& field : kSettingFields) {
    if (!WriteKey(path, field.Key, field.Get(settings))) return false;
  }
  return true;
}

}  // namespace tessel
