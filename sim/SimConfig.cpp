#include "sim/SimConfig.h"

#include <cmath>
#include <cwchar>
#include <limits>

namespace calder::sim {

namespace {

std::wstring Trim(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  const auto last = text.find_last_not_of(L" \t");
  return text.substr(first, last - first + 1);
}

std::vector<std::wstring> SplitCommas(const std::wstring& text) {
  std::vector<std::wstring> parts;
  size_t begin = 0;
  while (true) {
    const size_t comma = text.find(L',', begin);
    parts.push_back(Trim(text.substr(begin, comma - begin)));
    if (comma == std::wstring::npos) break;
    begin = comma + 1;
  }
  return parts;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
  return out;
}

[[noreturn]] void Reject(const char* name, const std::wstring& text, const char* expected) {
  throw ConfigError(std::string(name) + "=\"" + Narrow(text) + "\": expected " + expected);
}

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

std::set<int32_t> ParseDispatchIds(const char* name, const std::wstring& text);

}  // namespace

std::optional<int64_t> ParseInteger(const std::wstring& text, int64_t min, int64_t max) {
  const std::wstring t = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == L'-' || t[i] == L'+')) negative = t[i++] == L'-';
  if (i == t.size()) return std::nullopt;
  int64_t magnitude = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < L'0' || t[i] > L'9') return std::nullopt;
    magnitude = magnitude * 10 + (t[i] - L'0');
    if (magnitude > (int64_t{1} << 40)) return std::nullopt;  // far beyond any range used here
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < min || value > max) return std::nullopt;
  return value;
}

namespace {

// "10=100,4=-15": dispatch id and value pairs.
std::set<std::pair<int32_t, int32_t>> ParseRefusedPuts(const std::wstring& text) {
  std::set<std::pair<int32_t, int32_t>> puts;
  for (const std::wstring& part : SplitCommas(text)) {
    const std::size_t equals = part.find(L'=');
    const auto id = equals == std::wstring::npos
                        ? std::nullopt
                        : ParseInteger(part.substr(0, equals), kInt32Min, kInt32Max);
    const auto value =
        id ? ParseInteger(part.substr(equals + 1), kInt32Min, kInt32Max) : std::nullopt;
    if (!value) Reject("CALDER_SIM_REFUSE", text, "a comma list of id=value");
    puts.emplace(static_cast<int32_t>(*id), static_cast<int32_t>(*value));
  }
  return puts;
}

std::set<int32_t> ParseDispatchIds(const char* name, const std::wstring& text) {
  std::set<int32_t> ids;
  for (const std::wstring& part : SplitCommas(text)) {
    const auto id = ParseInteger(part, kInt32Min, kInt32Max);
    if (!id) Reject(name, text, "a comma list of dispatch ids");
    ids.insert(static_cast<int32_t>(*id));
  }
  return ids;
}

}  // namespace

std::optional<double> ParseReal(const std::wstring& text) {
  const std::wstring t = Trim(text);
  if (t.empty()) return std::nullopt;
  wchar_t* end = nullptr;
  const double value = std::wcstod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::vector<StatusStep> ParseStatusList(const std::wstring& text) {
  if (Trim(text) == L"none") return {};
  std::vector<StatusStep> steps;
  for (const std::wstring& part : SplitCommas(text)) {
    const size_t at = part.find(L'@');
    StatusStep step;
    const auto status = ParseInteger(part.substr(0, at), kInt32Min, kInt32Max);
    if (!status) Reject("CALDER_SIM_STATUS", text, "status[@ms],... or none");
    step.status = static_cast<int32_t>(*status);
    if (at != std::wstring::npos) {
      step.at_ms = ParseInteger(part.substr(at + 1), 0, 24 * 3600 * 1000);
      if (!step.at_ms) Reject("CALDER_SIM_STATUS", text, "a delay in milliseconds after @");
    }
    steps.push_back(step);
  }
  return steps;
}

SimConfig ParseSimConfig(const EnvironmentLookup& lookup) {
  SimConfig config;
  // A number variable that is set but blank counts as unset; texts are taken verbatim.
  const auto number_text = [&](const wchar_t* name) -> std::optional<std::wstring> {
    auto value = lookup(name);
    if (value && Trim(*value).empty()) return std::nullopt;
    return value;
  };
  if (auto v = number_text(L"CALDER_SIM_STATUS")) config.status_steps = ParseStatusList(*v);
  if (auto v = lookup(L"CALDER_SIM_DEVICE")) config.device_name = *v;
  if (auto v = lookup(L"CALDER_SIM_SERIAL")) config.serial_number = *v == L"<empty>" ? L"" : *v;
  if (auto v = number_text(L"CALDER_SIM_CARRIER_HZ")) {
    const auto hz = ParseReal(*v);
    if (!hz) Reject("CALDER_SIM_CARRIER_HZ", *v, "a frequency offset in Hz");
    config.carrier_offset_hz = *hz;
  }
  if (auto v = number_text(L"CALDER_SIM_IQOFFSET")) {
    const auto offset = ParseReal(*v);
    if (!offset) Reject("CALDER_SIM_IQOFFSET", *v, "a number");
    config.iq_offset = *offset;
  }
  if (auto v = number_text(L"CALDER_SIM_FAIL")) {
    config.failing_dispids = ParseDispatchIds("CALDER_SIM_FAIL", *v);
  }
  if (auto v = number_text(L"CALDER_SIM_REFUSE")) config.refused_puts = ParseRefusedPuts(*v);
  if (auto v = number_text(L"CALDER_SIM_FIRE_INSIDE")) {
    config.fire_inside_dispids = ParseDispatchIds("CALDER_SIM_FIRE_INSIDE", *v);
  }
  if (auto v = number_text(L"CALDER_SIM_COUNT")) {
    const auto count = ParseInteger(*v, kInt32Min, kInt32Max);
    if (!count) Reject("CALDER_SIM_COUNT", *v, "an int32 count");
    config.reported_count = static_cast<int32_t>(*count);
  }
  if (auto v = number_text(L"CALDER_SIM_UNPACED")) {
    const auto batch = ParseInteger(*v, 0, 1000000);
    if (!batch) Reject("CALDER_SIM_UNPACED", *v, "a number of blocks per message, 0 to 1000000");
    config.unpaced_batch = static_cast<int>(*batch);
  }
  if (auto v = lookup(L"CALDER_SIM_LOG")) config.log_path = Trim(*v);
  if (auto v = number_text(L"CALDER_SIM_FRAGILE")) {
    const auto on = ParseInteger(*v, 0, 1);
    if (!on) Reject("CALDER_SIM_FRAGILE", *v, "0 or 1");
    config.fragile = *on == 1;
  }
  if (auto v = number_text(L"CALDER_SIM_REPLACE_ARRAY")) {
    const auto n = ParseInteger(*v, 0, 2048);  // at most one block
    if (!n) Reject("CALDER_SIM_REPLACE_ARRAY", *v, "a number of values, 0 to 2048");
    config.replacement_values = static_cast<int>(*n);
  }
  if (auto v = lookup(L"CALDER_SIM_FAIL_SWITCH")) config.fail_switch = Trim(*v);
  if (auto v = number_text(L"CALDER_SIM_STAMP")) {
    const auto on = ParseInteger(*v, 0, 1);
    if (!on) Reject("CALDER_SIM_STAMP", *v, "0 or 1");
    config.stamp_blocks = *on == 1;
  }
  if (auto v = number_text(L"CALDER_SIM_OWN_THREAD")) {
    const auto on = ParseInteger(*v, 0, 1);
    if (!on) Reject("CALDER_SIM_OWN_THREAD", *v, "0 or 1");
    config.own_thread_only = *on == 1;
  }
  return config;
}

}  // namespace calder::sim
