#include "testing/Misuse.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <random>

#include "testing/GuardedBuffer.h"
#include "testing/PluginHost.h"
#include "testing/ProfileContent.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

enum class Op {
  kInitHW,
  kOpenHW,
  kStartHW,
  kGetStatus,
  kStopHW,
  kCloseHW,
  kSetCallback,
  kSetHWLO,
  kGetHWLO,
  kGetHWSR,
  kShowGUI,
  kHideGUI,
  kTuneChanged,
  kPump,
  kUserClick,
  kReload,
};

struct OpChoice {
  Op op;
  int weight;
  const char* name;
};

// InitHW and pumping come up more often: most faults need a live plug-in and
// events flowing.
constexpr OpChoice kOps[] = {
    {Op::kInitHW, 4, "InitHW"},           {Op::kOpenHW, 1, "OpenHW"},
    {Op::kStartHW, 3, "StartHW"},         {Op::kGetStatus, 1, "GetStatus"},
    {Op::kStopHW, 2, "StopHW"},           {Op::kCloseHW, 1, "CloseHW"},
    {Op::kSetCallback, 3, "SetCallback"}, {Op::kSetHWLO, 1, "SetHWLO"},
    {Op::kGetHWLO, 1, "GetHWLO"},         {Op::kGetHWSR, 1, "GetHWSR"},
    {Op::kShowGUI, 1, "ShowGUI"},         {Op::kHideGUI, 1, "HideGUI"},
    {Op::kTuneChanged, 1, "TuneChanged"}, {Op::kPump, 4, "pump"},
    {Op::kUserClick, 2, "user click"},    {Op::kReload, 1, "unload and reload"},
};

// What a callback may call: every entry point (unloading from inside the plug-in's
// own call is beyond any host's rights).
constexpr Op kFromCallback[] = {Op::kInitHW,     Op::kOpenHW,  Op::kStartHW,     Op::kGetStatus,
                                Op::kStopHW,     Op::kCloseHW, Op::kSetCallback, Op::kSetHWLO,
                                Op::kGetHWLO,    Op::kGetHWSR, Op::kShowGUI,     Op::kHideGUI,
                                Op::kTuneChanged};

const char* NameOf(Op op) {
  for (const OpChoice& c : kOps)
    if (c.op == op) return c.name;
  return "?";
}

enum class CallbackKind { kNone, kRecording, kReentrant };

struct Step {
  Op op = Op::kPump;
  int32_t frequency = 0;
  bool name = true, model = true, type = true;  // false: a null pointer
  CallbackKind callback = CallbackKind::kRecording;
  unsigned pump_ms = 0;
  int rate = 0;
  // For a reentrant callback: which of its calls makes the call, and which call.
  int reentrant_at = 0;
  Op reentrant_op = Op::kGetStatus;
  int32_t reentrant_frequency = 0;
};

std::string Describe(const Step& s) {
  char text[160];
  switch (s.op) {
    case Op::kInitHW:
      std::snprintf(text, sizeof text, "InitHW(name=%s, model=%s, type=%s)",
                    s.name ? "buf64" : "null", s.model ? "buf64" : "null", s.type ? "int" : "null");
      break;
    case Op::kStartHW:
    case Op::kSetHWLO:
    case Op::kTuneChanged:
      std::snprintf(text, sizeof text, "%s(%ld)", NameOf(s.op), static_cast<long>(s.frequency));
      break;
    case Op::kSetCallback:
      if (s.callback == CallbackKind::kReentrant) {
        std::snprintf(text, sizeof text, "SetCallback(calls %s(%ld) at its call %d)",
                      NameOf(s.reentrant_op), static_cast<long>(s.reentrant_frequency),
                      s.reentrant_at);
      } else {
        std::snprintf(text, sizeof text, "SetCallback(%s)",
                      s.callback == CallbackKind::kNone ? "null" : "recording");
      }
      break;
    case Op::kPump:
      std::snprintf(text, sizeof text, "pump %u ms", s.pump_ms);
      break;
    case Op::kUserClick:
      std::snprintf(text, sizeof text, "user click on rate %d", kRates[s.rate]);
      break;
    default:
      std::snprintf(text, sizeof text, "%s", NameOf(s.op));
      break;
  }
  return text;
}

// One sequence as generated from its seed: the receiver, the settings file and
// the host's calls.
struct Sequence {
  std::wstring status;
  std::wstring device;
  int settings_kind = 0;  // 0 none, 1 valid, 2 odd values
  std::vector<Step> steps;
  bool close_at_end = true;
};

int32_t Frequency(std::mt19937& rng) {
  const int32_t kPicks[] = {0, -1, 1, INT32_MIN, INT32_MAX, 7100000, 30000000};
  std::uniform_int_distribution<int> pick(0, 7);
  int i = pick(rng);
  return i < 7 ? kPicks[i] : static_cast<int32_t>(rng());
}

Sequence Generate(uint32_t seed, int number, int max_steps) {
  std::seed_seq seq{seed, static_cast<uint32_t>(number)};
  std::mt19937 rng(seq);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const wchar_t* kStatuses[] = {L"1", L"1", L"1",      L"2",      L"0",
                                L"3", L"5", L"0,1@40", L"1,3@60", L"1,2@30,2@60"};
  // The last name makes a model text longer than the host's buffer.
  const std::wstring kDevices[] = {L"Calder", L"Marlo", L"calder-x",
                                   L"Calder" + std::wstring(120, L'x')};
  Sequence s;
  s.status = kStatuses[below(10)];
  s.device = kDevices[below(4)];
  s.settings_kind = below(3);
  s.close_at_end = below(10) < 6;
  int total_weight = 0;
  for (const OpChoice& c : kOps) total_weight += c.weight;
  // Most sequences begin as a host would, so that the plug-in is alive and
  // calling back before the misuse starts; the rest start anywhere.
  const Op kPrefix[] = {Op::kInitHW, Op::kSetCallback, Op::kStartHW, Op::kPump};
  const bool prefix = below(4) != 0;
  int count = 1 + below(max_steps);
  for (int i = 0; i < count; ++i) {
    Step step;
    int w = below(total_weight);
    for (const OpChoice& c : kOps) {
      if (w < c.weight) {
        step.op = c.op;
        break;
      }
      w -= c.weight;
    }
    if (prefix && i < static_cast<int>(std::size(kPrefix))) step.op = kPrefix[i];
    step.frequency = Frequency(rng);
    step.name = below(4) != 0;
    step.model = below(4) != 0;
    step.type = below(4) != 0;
    step.callback = static_cast<CallbackKind>(below(4) == 0 ? 0 : 1 + below(2));
    const unsigned kPumps[] = {0, 15, 40};
    step.pump_ms = kPumps[below(3)];
    step.rate = below(7);
    step.reentrant_at = 1 + below(4);
    step.reentrant_op = kFromCallback[below(static_cast<int>(std::size(kFromCallback)))];
    step.reentrant_frequency = Frequency(rng);
    s.steps.push_back(step);
  }
  return s;
}

const char kValidSettings[] =
    "[Parameters]\r\nSrate=55555\r\nPreamp=0\r\nHFGain=-30\r\nIFGain=6\r\n"
    "[Host]\r\nLayout=2\r\n";
const char kOddSettings[] =
    "[Parameters]\r\nSrate=12345\r\nPreamp=+01x\r\nHFGain=-15\r\nIFGain=100\r\n"
    "Extra=kept\r\n";

bool KnownStatus(int32_t s) {
  return s == -99 || s == 0 || s == 1 || s == 2 || s == 3 || s == 5;
}

// The host's buffers for InitHW: two 64-byte texts and the type.
struct HostTexts {
  GuardedBuffer name{64};
  GuardedBuffer model{64};
  GuardedBuffer type{4};
};

class SequenceRun {
 public:
  SequenceRun(const MisuseOptions& options, int number, HostWatch& watch, MisuseReport& report)
      : options_(options),
        number_(number),
        watch_(watch),
        report_(report),
        sequence_(Generate(options.seed, number, options.max_steps)) {}

  void Run() {
    SetEnv(L"CALDER_SIM_STATUS", sequence_.status.c_str());
    SetEnv(L"CALDER_SIM_DEVICE", sequence_.device.c_str());
    SetEnv(L"CALDER_SIM_SERIAL", L"T-1001");
    for (const wchar_t* off : {L"CALDER_SIM_FAIL", L"CALDER_SIM_FAIL_SWITCH", L"CALDER_SIM_LOG",
                               L"CALDER_SIM_STAMP", L"CALDER_SIM_COUNT"})
      SetEnvironmentVariableW(off, nullptr);
    RemoveSettings();
    if (sequence_.settings_kind == 1) WriteFileText(SettingsPath(), kValidSettings);
    if (sequence_.settings_kind == 2) WriteFileText(SettingsPath(), kOddSettings);
    initial_settings_ = ReadProfile(SettingsPath());
    windows_before_ = MeasureResources().user_objects;
    HostCalls().clear();
    SetCallbackAction([this](const HostCall& call) { OnCallback(call); });
    Plugin();
    if (options_.print_steps)
      std::printf("sequence %d: status %ls, %ls, settings %d, %zu steps\n", number_,
                  sequence_.status.c_str(), sequence_.device.c_str(), sequence_.settings_kind,
                  sequence_.steps.size());
    for (step_index_ = 0; step_index_ < sequence_.steps.size(); ++step_index_) {
      const Step& step = sequence_.steps[step_index_];
      Execute(step, false);
      ++report_.steps;
      AfterStep();
    }
    step_index_ = sequence_.steps.size();
    End();
    SetCallbackAction({});
  }

 private:
  void Finding(const std::string& what) {
    char where[96];
    std::snprintf(where, sizeof where, "seed %u sequence %d step %zu: ", options_.seed, number_,
                  step_index_);
    std::string step = step_index_ < sequence_.steps.size() ? Describe(sequence_.steps[step_index_])
                                                            : std::string("end of sequence");
    report_.findings.push_back(where + step + ": " + what);
  }

  void Note(const std::string& what) {
    char where[64];
    std::snprintf(where, sizeof where, "seed %u sequence %d step %zu: ", options_.seed, number_,
                  step_index_);
    watch_.Note(where + what);
    if (options_.print_steps) std::printf("  %zu %s\n", step_index_, what.c_str());
  }

  void OnCallback(const HostCall& call) {
    ++report_.callbacks;
    if (!callback_registered_) {
      Finding("callback (" + std::to_string(call.count) + ", " + std::to_string(call.status) +
              ") while the host has none registered");
    }
    if (closed_) {
      Finding("callback (" + std::to_string(call.count) + ", " + std::to_string(call.status) +
              ") after CloseHW returned");
    }
    if (call.count == -1) {
      if (call.samples != nullptr || call.iq_offset != 0.0f)
        Finding("a status report with samples or an offset");
    } else if (call.count < 0 || call.count > 8192 || call.samples == nullptr || call.status != 2) {
      Finding("a block with count " + std::to_string(call.count) + ", status " +
              std::to_string(call.status));
    }
    if (reentrant_ && --reentrant_countdown_ == 0) {
      reentrant_ = false;
      Step inner;
      inner.op = reentrant_step_.reentrant_op;
      inner.frequency = reentrant_step_.reentrant_frequency;
      inner.callback = CallbackKind::kNone;
      ++report_.calls_from_callbacks;
      Execute(inner, true);
    }
  }

  void Execute(const Step& step, bool from_callback) {
    Note((from_callback ? "from a callback: " : "") + Describe(step));
    PluginApi& p = Plugin();
    switch (step.op) {
      case Op::kInitHW: {
        // A call from a callback inside an InitHW gets buffers of its own.
        HostTexts& texts = from_callback ? inner_texts_ : texts_;
        GuardedBuffer& name = texts.name;
        GuardedBuffer& model = texts.model;
        GuardedBuffer& type_field = texts.type;
        name.Reset();
        model.Reset();
        type_field.Reset();
        // The first InitHW of a load, and the first after a CloseHW, starts afresh and
        // forgets a callback set before it; one from a callback of a closed session
        // does not.
        const bool fresh = !init_called_ || closed_;
        if (fresh && !from_callback) {
          callback_registered_ = false;
          closed_ = false;
        }
        init_called_ = true;
        auto* type = reinterpret_cast<int32_t*>(type_field.data());
        bool ok = p.InitHW(step.name ? name.data() : nullptr, step.model ? model.data() : nullptr,
                           step.type ? type : nullptr);
        if (step.type && *type != 1) Finding("*type is " + std::to_string(*type));
        if (step.name && !name.Terminated()) Finding("name not terminated within 64 bytes");
        if (step.model && !model.Terminated()) Finding("model not terminated within 64 bytes");
        if (ok) ++report_.successful_inits;
        if (ok && step.model && std::string(model.data()) != "N/A")
          Finding(std::string("success with model ") + model.data());
        if (!ok && step.model && std::string(model.data()) != "Boh?")
          Finding(std::string("failure with model ") + model.data());
        if (ok && closed_) Finding("InitHW from a callback succeeded after CloseHW");
        break;
      }
      case Op::kOpenHW:
        if (p.OpenHW() && closed_) Finding("OpenHW succeeded after CloseHW");
        break;
      case Op::kStartHW: {
        int32_t r = p.StartHW(step.frequency);
        if (r != 0 && r != 2048) Finding("StartHW returned " + std::to_string(r));
        if (r != 0 && closed_) Finding("StartHW succeeded after CloseHW");
        break;
      }
      case Op::kGetStatus: {
        int32_t s = p.GetStatus();
        if (!KnownStatus(s)) Finding("GetStatus returned " + std::to_string(s));
        break;
      }
      case Op::kStopHW:
        p.StopHW();
        break;
      case Op::kCloseHW:
        p.CloseHW();
        closed_ = true;
        if (!from_callback && FindSettingsWindow() != nullptr)
          Finding("the window outlives CloseHW");
        if (from_callback && IsWindowVisible(FindSettingsWindow()))
          Finding("CloseHW from a callback leaves the window shown");
        break;
      case Op::kSetCallback:
        p.SetCallback(step.callback == CallbackKind::kNone ? nullptr : &RecordingCallback);
        callback_registered_ = step.callback != CallbackKind::kNone;
        reentrant_ = step.callback == CallbackKind::kReentrant;
        reentrant_step_ = step;
        reentrant_countdown_ = step.reentrant_at;
        break;
      case Op::kSetHWLO:
        p.SetHWLO(step.frequency);
        break;
      case Op::kGetHWLO:
        p.GetHWLO();
        break;
      case Op::kGetHWSR: {
        int32_t rate = p.GetHWSR();
        if (rate != 0 && std::find(std::begin(kRates), std::end(kRates), rate) == std::end(kRates))
          Finding("GetHWSR returned " + std::to_string(rate));
        break;
      }
      case Op::kShowGUI:
        p.ShowGUI();
        break;
      case Op::kHideGUI:
        p.HideGUI();
        break;
      case Op::kTuneChanged:
        p.TuneChanged(step.frequency);
        break;
      case Op::kPump:
        Pump(step.pump_ms);
        break;
      case Op::kUserClick: {
        HWND window = FindSettingsWindow();
        if (window != nullptr && IsWindowVisible(window)) {
          PostRateClick(window, step.rate);
          Pump(20);
        }
        break;
      }
      case Op::kReload:
        Unload();
        if (Plugin().GetStatus() != 0 || Plugin().GetHWSR() != 0)
          Finding("a reloaded plug-in does not start afresh");
        break;
    }
  }

  void AfterStep() {
    if (CountSettingsWindows() > 1) Finding("more than one settings window");
    if (closed_ && FindSettingsWindow() != nullptr) Finding("a window after CloseHW");
  }

  // Frees the DLL and checks that it took everything of its own along.
  void Unload() {
    Note("unloading");
    if (FindSettingsWindow() != nullptr) UnloadWithoutClose();
    std::size_t calls = HostCalls().size();
    if (!UnloadPlugin()) Finding("the DLL stays loaded after FreeLibrary");
    ++report_.unloads;
    if (FindSettingsWindow() != nullptr) Finding("the window outlives the DLL");
    long windows = MeasureResources().user_objects;
    if (windows != windows_before_)
      Finding(std::to_string(windows - windows_before_) + " windows more after unloading");
    Pump(20);
    if (HostCalls().size() != calls) Finding("callbacks after unloading");
    init_called_ = false;
    closed_ = false;
    callback_registered_ = false;
    reentrant_ = false;
  }

  // The host unloads the plug-in while its window exists: the library must stay
  // loaded, and the host that loads it again finds the same session and closes it.
  void UnloadWithoutClose() {
    HMODULE module = PluginModule();
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    FreeLibrary(module);
    if (GetModuleHandleA("Tessel_Calder.dll") != module) {
      Finding("the DLL went while its window exists");
      return;
    }
    Pump(20);
    if (LoadLibraryA(path) != module) Finding("loaded again, the DLL is another image");
    Plugin().CloseHW();
    closed_ = true;
  }

  void End() {
    if (sequence_.close_at_end) {
      Step close;
      close.op = Op::kCloseHW;
      Execute(close, false);
      Pump(20);
    }
    Unload();
    ProfileContent after = ReadProfile(SettingsPath());
    if (!(after == initial_settings_)) {
      if (!(after.WithoutPluginKeys() == initial_settings_.WithoutPluginKeys()))
        Finding("the settings file lost content:\n" + after.Describe());
      std::string bad = CheckPluginKeys(after);
      if (!bad.empty()) Finding("the settings file holds " + bad);
    }
  }

  const MisuseOptions& options_;
  int number_;
  HostWatch& watch_;
  MisuseReport& report_;
  Sequence sequence_;
  std::size_t step_index_ = 0;
  ProfileContent initial_settings_;
  long windows_before_ = 0;
  HostTexts texts_;
  HostTexts inner_texts_;
  bool init_called_ = false;
  bool closed_ = false;
  bool callback_registered_ = false;
  bool reentrant_ = false;
  int reentrant_countdown_ = 0;
  Step reentrant_step_;
};

}  // namespace

MisuseReport RunMisuse(const MisuseOptions& options, HostWatch& watch) {
  MisuseReport report;
  for (int i = 0; i < options.sequences; ++i) {
    SequenceRun(options, options.first + i, watch, report).Run();
    ++report.sequences;
    if (i + 1 == options.warmup_sequences) report.after_warmup = MeasureResources();
    if (options.progress_every > 0 && (i + 1) % options.progress_every == 0) {
      std::printf("%d sequences, %zu findings, %zu KiB private\n", i + 1, report.findings.size(),
                  MeasureResources().private_bytes / 1024);
      std::fflush(stdout);
    }
  }
  report.at_end = MeasureResources();
  return report;
}

}  // namespace tessel::testing
