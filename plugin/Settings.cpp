#include "plugin/Settings.h"

#include <windows.h>

#include <vector>

#include "framework/Module.h"
#include "plugin/IniNumber.h"

namespace tessel {
namespace {

// The key's name as the wide profile functions take it (the names are ASCII).
std::wstring WideKey(const char* key) {
  return std::wstring(key, key + std::char_traits<char>::length(key));
}

// Reads a key as text, the empty text when it is missing, of any length. Only
// ASCII counts for the number rule; any other character becomes '?', as the
// narrow profile functions give a letter the code page lacks.
std::string ReadKey(const std::wstring& path, const char* key) {
  std::wstring name = WideKey(key);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    DWORD got = GetPrivateProfileStringW(kSettingsSection, name.c_str(), L"", buffer.data(),
                                         static_cast<DWORD>(buffer.size()), path.c_str());
    // A full buffer means the value may have been cut: try again with more room.
    if (got + 1 < buffer.size() || buffer.size() >= (1u << 20)) {
      std::string text(got, '?');
      for (DWORD i = 0; i < got; ++i) {
        if (buffer[i] < 0x80) text[i] = static_cast<char>(buffer[i]);
      }
      return text;
    }
    buffer.resize(buffer.size() * 4);
  }
}

bool WriteKey(const std::wstring& path, const char* key, int32_t value) {
  std::wstring text = std::to_wstring(value);
  return WritePrivateProfileStringW(kSettingsSection, WideKey(key).c_str(), text.c_str(),
                                    path.c_str()) != FALSE;
}

}  // namespace

std::wstring SettingsPathFor(const std::wstring& exe_path) {
  if (exe_path.empty()) return {};
  std::size_t cut = exe_path.find_last_of(L"\\:");
  std::wstring folder = cut == std::wstring::npos ? std::wstring() : exe_path.substr(0, cut + 1);
  return folder + kSettingsFileName;
}

std::wstring ExecutablePath() {
  return fw::ModuleFileName(nullptr);
}

void ApplySettingDefaults(ReceiverSettings& settings) {
  for (const SettingField& field : kSettingFields) field.Set(settings, field.Default);
}

std::wstring SettingsFilePath() {
  return SettingsPathFor(ExecutablePath());
}

bool LoadSettings(const std::wstring& path, ReceiverSettings& settings) {
  if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  for (const SettingField& field : kSettingFields)
    field.Set(settings, ReadIniNumber(ReadKey(path, field.Key)));
  return true;
}

bool SaveSettings(const std::wstring& path, const ReceiverSettings& settings) {
  if (path.empty()) return true;
  for (const SettingField& field : kSettingFields) {
    if (!WriteKey(path, field.Key, field.Get(settings))) return false;
  }
  return true;
}

}  // namespace tessel
