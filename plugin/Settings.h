// The settings file "Tessel-Calder_Marlo.ini" beside the host's executable.
#pragma once

#include <string>

#include "plugin/PluginState.h"

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
// file, and how it maps onto the plug-in's state (as the number the file holds).
struct SettingField {
  const char* Key;
  int32_t Default;
  int32_t (*Get)(const PluginState&);
  void (*Set)(PluginState&, int32_t);
};

// The four keys in the order they are written.
inline constexpr SettingField kSettingFields[] = {
    {"Srate", 158730, [](const PluginState& s) { return s.CurrentSampleRate; },
     [](PluginState& s, int32_t v) { s.CurrentSampleRate = v; }},
    {"Preamp", 1, [](const PluginState& s) -> int32_t { return s.PreampOn ? 1 : 0; },
     [](PluginState& s, int32_t v) { s.PreampOn = v == 1; }},
    {"HFGain", -10, [](const PluginState& s) { return s.HfGain; },
     [](PluginState& s, int32_t v) { s.HfGain = v; }},
    {"IFGain", 24, [](const PluginState& s) { return s.IfGain; },
     [](PluginState& s, int32_t v) { s.IfGain = v; }},
};

// Gives each setting its value for a missing file.
void ApplySettingDefaults(PluginState& state);

// Sets SettingsFilePath; when the file exists, reads the four settings into the
// state and returns true. Returns false, touching no setting, when it does not, or
// when the executable's path is unknown (the path is left empty then, so that
// nothing is ever written relative to the current folder).
bool LoadSettings(PluginState& state);

// Writes the four settings when LoadSettings has run. Stops at the first write
// that fails and returns false then; nothing is thrown.
bool SaveSettings(const PluginState& state);

}  // namespace tessel
