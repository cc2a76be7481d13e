#include "testing/ProfileContent.h"

#include <windows.h>

#include <algorithm>
#include <set>

namespace tessel::testing {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return text;
}

// Reads a list of zero-terminated strings ending with an empty one, growing the
// buffer until the whole list fits.
template <typename Read>
std::vector<std::string> ReadList(Read read) {
  std::vector<char> buffer(4096);
  for (;;) {
    DWORD got = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got + 2 < buffer.size() || buffer.size() >= (64u << 20)) {
      std::vector<std::string> items;
      for (DWORD i = 0; i < got;) {
        std::string item(buffer.data() + i);
        i += static_cast<DWORD>(item.size()) + 1;
        if (!item.empty()) items.push_back(item);
      }
      return items;
    }
    buffer.resize(buffer.size() * 4);
  }
}

constexpr const char* kPluginSection = "parameters";
const std::set<std::string> kPluginKeys = {"srate", "preamp", "hfgain", "ifgain"};

}  // namespace

ProfileContent ReadProfile(const std::string& path) {
  ProfileContent content;
  std::vector<std::string> names = ReadList([&](char* buffer, DWORD size) {
    return GetPrivateProfileSectionNamesA(buffer, size, path.c_str());
  });
  for (const std::string& name : names) {
    auto& keys = content.sections[Lower(name)];
    if (!keys.empty()) continue;  // a repeated section reads as its first
    for (const std::string& line : ReadList([&](char*buffer, DWORD size) {
           return GetPrivateProfileSectionA(name.c_str(), buffer, size, path.c_str());
         })) {
      std::size_t equals = line.find('=');
      if (equals == std::string::npos) {
        keys.emplace_back(line, "");
      } else {
        keys.emplace_back(Lower(line.substr(0, equals)), line.substr(equals + 1));
      }
    }
  }
  return content;
}

const std::string* ProfileContent::Find(const std::string& section, const std::string& key) const {
  auto s = sections.find(Lower(section));
  if (s == sections.end()) return nullptr;
  for (const auto& [k, v] : s->second)
    if (k == Lower(key)) return &v;
  return nullptr;
}

ProfileContent ProfileContent::WithoutPluginKeys() const {
  ProfileContent rest = *this;
  auto s = rest.sections.find(kPluginSection);
  if (s == rest.sections.end()) return rest;
  std::erase_if(s->second, [](const auto& kv) { return kPluginKeys.count(kv.first) > 0; });
  if (s->second.empty()) rest.sections.erase(s);
  return rest;
}

std::string ProfileContent::Describe() const {
  std::string text;
  for (const auto& [name, keys] : sections) {
    for (const auto& [k, v] : keys) {
      std::string value =
          v.size() > 40 ? v.substr(0, 40) + "...(" + std::to_string(v.size()) + ")" : v;
      text += "[" + name + "] " + k + "=" + value + "\n";
    }
    if (keys.empty()) text += "[" + name + "]\n";
  }
  return text;
}

std::string CheckPluginKeys(const ProfileContent& content) {
  const std::pair<const char*, std::set<std::string>> allowed[] = {
      {"Srate", {"8138", "16276", "37793", "55555", "111111", "158730", "196078"}},
      {"Preamp", {"0", "1"}},
      {"HFGain", {"-30", "-20", "-10", "0"}},
      {"IFGain", {"0", "6", "12", "18", "24"}},
  };
  std::string problems;
  for (const auto& [key, values] : allowed) {
    const std::string* value = content.Find("Parameters", key);
    if (value == nullptr) {
      problems += std::string(key) + " missing; ";
    } else if (values.count(*value) == 0) {
      problems += std::string(key) + "=" + *value + "; ";
    }
  }
  return problems;
}

}  // namespace tessel::testing
