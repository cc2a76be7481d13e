// A settings file as the platform's profile reader sees it: sections and keys,
// matched without regard to letter case. The platform's writer re-serialises the
// whole file, so files are compared by this content, not by their bytes.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tessel::testing {

// Lower-case names, keys in file order, values as read.
struct ProfileContent {
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> sections;

  bool operator==(const ProfileContent&) const = default;
  // The value of the first `key` in `section` (any letter case), or null.
  const std::string* Find(const std::string& section, const std::string& key) const;
  // This content without the plug-in's four keys in its own section.
  ProfileContent WithoutPluginKeys() const;
  // One line per key, for messages: "[section] key=value".
  std::string Describe() const;
};

// Reads the file at `path` (a Windows path) through the profile functions.
ProfileContent ReadProfile(const std::string& path);

// The plug-in's own four keys hold values the window can show: one of the seven
// rates, 0 or 1, a step of each slider. Empty when so, else what is wrong.
std::string CheckPluginKeys(const ProfileContent& content);

}  // namespace tessel::testing
