// The stand-in's configuration, taken from environment variables when an object
// is created. Parsing is pure: it reads the variables through a lookup function.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sim/StatusScript.h"

namespace calder::sim {

// A variable whose text cannot be used; the message names the variable.
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SimConfig {
  std::vector<StatusStep> status_steps{{1, std::nullopt}};  // CALDER_SIM_STATUS
  std::wstring device_name = L"Calder";                     // CALDER_SIM_DEVICE
  std::wstring serial_number = L"CA0123456";                // CALDER_SIM_SERIAL
  double carrier_offset_hz = 10000.0;                       // CALDER_SIM_CARRIER_HZ
  double iq_offset = 0.0125;                                // CALDER_SIM_IQOFFSET
  std::set<int32_t> failing_dispids;                        // CALDER_SIM_FAIL
  // CALDER_SIM_REFUSE: (dispatch id, value) pairs whose put is refused, as a control
  // that checks its ranges refuses a value it cannot take.
  std::set<std::pair<int32_t, int32_t>> refused_puts;
  std::optional<int32_t> reported_count;  // CALDER_SIM_COUNT
  int unpaced_batch = 0;                  // CALDER_SIM_UNPACED; 0 = paced
  std::wstring log_path;                  // CALDER_SIM_LOG; empty = none
  bool fragile = false;                   // CALDER_SIM_FRAGILE
  std::optional<int> replacement_values;  // CALDER_SIM_REPLACE_ARRAY
  std::wstring fail_switch;   // CALDER_SIM_FAIL_SWITCH; empty = the failures are always on
  bool stamp_blocks = false;  // CALDER_SIM_STAMP
  // CALDER_SIM_OWN_THREAD: a call from another thread than the one that created the
  // object is refused (RPC_E_WRONG_THREAD) and logged with " WRONG-THREAD", as an
  // apartment-threaded control called past COM's rules may fail.
  bool own_thread_only = false;
  // CALDER_SIM_FIRE_INSIDE: members during whose call a status event is fired
  // synchronously, as a control that pumps messages inside a call would.
  std::set<int32_t> fire_inside_dispids;
};

// Returns a variable's text, or nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::wstring>(const wchar_t* name)>;

// Builds the configuration from the variables; unset ones keep their defaults.
// Throws ConfigError for text that cannot be used.
SimConfig ParseSimConfig(const EnvironmentLookup& lookup);

// "1", "0,1@300", "none" (no answer at all): the status script.
std::vector<StatusStep> ParseStatusList(const std::wstring& text);

// Number parsers for the variables: surrounding blanks allowed, nothing else.
std::optional<int64_t> ParseInteger(const std::wstring& text, int64_t min, int64_t max);
std::optional<double> ParseReal(const std::wstring& text);

}  // namespace calder::sim
