// The settings file "Tessel-Calder_Marlo.ini" beside the host's executable.
#pragma once

#include <string>

#include "receiver/SessionLink.h"

namespace tessel {

// Paths are wide: a host's folder may carry letters of any language, which the
// system code page cannot spell. The file's content stays ASCII.
inline constexpr wchar_t kSettingsFileName[] = L"Tessel-Calder_Marlo.ini";
inline constexpr wchar_t kSettingsSection[] = L"Parameters";

// The folder of `exe_path` (up to and including its last backslash or colon) with
// the settings file's name appended; empty for an empty `exe_path`.
std::wstring SettingsPathFor(const std::wstring& exe_path);

// The full path of the running process's executable, of any length; empty when the
// system gives none.
std::wstring ExecutablePath();

// One key of the settings file: its name, the value InitHW uses when there is no
// file, and how it maps onto the receiver's settings (as the number the file holds).
struct SettingField {
  const char* Key;
  int32_t Default;
  int32_t (*Get)(const ReceiverSettings&);
  void (*Set)(ReceiverSettings&, int32_t);
};

// The four keys in the order they are written.
inline constexpr SettingField kSettingFields[] = {
    {"Srate", 158730, [](const ReceiverSettings& s) { return s.SampleRate.Get(); },
     [](ReceiverSettings& s, int32_t v) { s.SampleRate = v; }},
    {"Preamp", 1, [](const ReceiverSettings& s) -> int32_t { return s.PreampOn ? 1 : 0; },
     [](ReceiverSettings& s, int32_t v) { s.PreampOn = v == 1; }},
    {"HFGain", -10, [](const ReceiverSettings& s) { return s.HfGain; },
     [](ReceiverSettings& s, int32_t v) { s.HfGain = v; }},
    {"IFGain", 24, [](const ReceiverSettings& s) { return s.IfGain; },
     [](ReceiverSettings& s, int32_t v) { s.IfGain = v; }},
};

// Gives each setting its value for a missing file.
void ApplySettingDefaults(ReceiverSettings& settings);

// The settings file of the running process: beside its executable; empty when the
// executable's path is unknown, so that nothing is ever written relative to the
// current folder.
std::wstring SettingsFilePath();

// When the file at `path` exists, reads the four settings into `settings` and returns
// true. Returns false, touching no setting, when it does not.
bool LoadSettings(const std::wstring& path, ReceiverSettings& settings);

// Writes the four settings to `path` (nothing for an empty path). Stops at the first
// write that fails and returns false then; nothing is thrown.
bool SaveSettings(const std::wstring& path, const ReceiverSettings& settings);

}  // namespace tessel
