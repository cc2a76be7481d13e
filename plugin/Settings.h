// The settings file "Tessel-Calder_Marlo.ini" beside the host's executable.
#pragma once

#include <string>

#include "receiver/PluginState.h"

namespace tessel {

inline constexpr char kSettingsFileName[] = "Tessel-Calder_Marlo.ini";
inline constexpr char kSettingsSection[] = "Parameters";

// The folder of `exe_path` (up to and including its last backslash or colon) with
// the settings file's name appended.
std::string SettingsPathFor(const std::string& exe_path);

// The full path of the running process's executable, of any length.
std::string ExecutablePath();

// Sets SettingsFilePath; when the file exists, reads the four settings into the
// state and returns true. Returns false, touching no setting, when it does not.
bool LoadSettings(PluginState& state);

// Writes the four settings when LoadSettings has run. Stops at the first write
// that fails and returns false then; nothing is thrown.
bool SaveSettings(const PluginState& state);

}  // namespace tessel
