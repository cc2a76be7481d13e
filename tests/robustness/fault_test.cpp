// The receiver component rejects a member the plug-in uses, from one moment of a
// host's session on: start-up, the settings push of a later InitHW, the user's
// changes in the window, streaming, or close. Each session runs to its end; the
// host must see no crash, no hang and no exception, and the settings file must
// keep its content and valid values. One phase per process; each member's
// session loads the DLL afresh.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

#include "testing/HostWatch.h"
#include "testing/PluginHost.h"
#include "testing/ProfileContent.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

enum class Phase { kStartUp, kSettingsPush, kUserChange, kStreaming, kClose };

// Every dispatch id the plug-in uses.
constexpr int kUsedIds[] = {1, 2, 4, 5, 6, 8, 9, 10, 13, 14, 18, 21, 34};
// Stands for all of them at once: a receiver that stops answering anything.
constexpr int kAllIds = 0;

std::wstring FailList(int id) {
  if (id != kAllIds) return std::to_wstring(id);
  std::wstring list;
  for (int used : kUsedIds) list += (list.empty() ? L"" : L",") + std::to_wstring(used);
  return list;
}

// Named events are seen by every process of the prefix: the name is this process's
// own, so that the phases running side by side never switch each other's failures.
const std::wstring kSwitchName =
    L"tessel-robustness-fail-switch-" + std::to_wstring(GetCurrentProcessId());

const char kSettings[] =
    "; kept comment\r\n[Display]\r\nTheme=dark\r\nSrate=1\r\n"
    "[Parameters]\r\nSrate=37793\r\nPreamp=0\r\nHFGain=-20\r\nIFGain=12\r\nExtra=keep me\r\n"
    "[Tail]\r\nNote=last section\r\n";

std::size_t CountBlocks() {
  return std::count_if(HostCalls().begin(), HostCalls().end(),
                       [](const HostCall& c) { return c.count >= 0; });
}

std::string Label(int id) {
  return id == kAllIds ? std::string("every id") : "id " + std::to_string(id);
}

std::size_t CountFailedInvokes(int id) {
  if (id == kAllIds) {
    const auto lines = SimLog();
    return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.size() >= 5 && line.compare(line.size() - 5, 5, " FAIL") == 0;
    });
  }
  std::string get = "get " + std::to_string(id);
  std::string put = "put " + std::to_string(id) + " ";
  std::string call = "call " + std::to_string(id);
  std::size_t n = 0;
  for (const std::string& line : SimLog()) {
    if (line.size() < 5 || line.compare(line.size() - 5, 5, " FAIL") != 0) continue;
    std::string head = line.substr(0, line.size() - 5);
    if (head == get || head.rfind(put, 0) == 0 || head == call || head.rfind(call + " ", 0) == 0)
      ++n;
  }
  return n;
}

// A whole host session with `id` rejected from `phase` on. Returns what went wrong.
std::vector<std::string> RunSession(int id, Phase phase, HANDLE fail_switch, HostWatch& watch) {
  std::vector<std::string> problems;
  auto problem = [&](const std::string& what) { problems.push_back(Label(id) + ": " + what); };
  auto note = [&](const char* what) { watch.Note("failing " + Label(id) + ": " + what); };

  RemoveSettings();
  WriteFileText(SettingsPath(), kSettings);
  const ProfileContent before = ReadProfile(SettingsPath());
  SetEnv(L"CALDER_SIM_STATUS", L"1");
  SetEnv(L"CALDER_SIM_DEVICE", L"Calder");
  SetEnv(L"CALDER_SIM_SERIAL", L"T-1001");
  SetEnv(L"CALDER_SIM_FAIL", FailList(id).c_str());
  SetEnv(L"CALDER_SIM_FAIL_SWITCH", kSwitchName.c_str());
  StartSimLog();
  ResetEvent(fail_switch);
  HostCalls().clear();
  PluginApi& p = Plugin();
  auto at = [&](Phase here) {
    if (here == phase) SetEvent(fail_switch);
  };

  note("first InitHW");
  at(Phase::kStartUp);
  InitResult first = Init();
  p.SetCallback(&RecordingCallback);
  note("second InitHW");
  at(Phase::kSettingsPush);
  InitResult second = Init();
  for (const InitResult& r : {first, second}) {
    if (r.type != 1) problem("*type " + std::to_string(r.type));
    if (!r.ok && (r.name.empty() || r.model != "Boh?"))
      problem("failure texts \"" + r.name + "\", \"" + r.model + "\"");
  }

  note("user changes");
  p.OpenHW();
  HWND window = FindSettingsWindow();
  at(Phase::kUserChange);
  if (window != nullptr) {
    PostRateClick(window, 6);
    PostRateClick(window, 1);
    HWND hf = GainSlider(window, true);
    SetFocus(hf);
    PostKey(hf, VK_DOWN);
    PostKey(GainSlider(window, false), VK_NEXT);
    HWND preamp = FindChildByText(window, "0.1 - 30 MHz");
    if (preamp != nullptr && IsWindowVisible(preamp)) {
      PostMessageW(preamp, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      PostMessageW(preamp, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    Pump(100);
  }

  note("streaming");
  p.StartHW(7100000);
  Pump(300, [] { return CountBlocks() >= 5; });
  at(Phase::kStreaming);
  p.SetHWLO(7200000);
  p.GetHWLO();
  if (window != nullptr) PostRateClick(window, 5);
  Pump(150);
  p.StopHW();
  p.StartHW(7300000);
  Pump(60);

  // Once the component answers again, so does the plug-in: no failure leaves it stuck.
  note("recovery");
  ResetEvent(fail_switch);
  const std::size_t blocks = CountBlocks();
  p.StartHW(7400000);
  Pump(500, [&] { return CountBlocks() >= blocks + 3; });
  if (CountBlocks() < blocks + 3) problem("no blocks once the component works again");

  note("close");
  at(Phase::kClose);
  const int32_t rate = p.GetHWSR();
  p.CloseHW();
  if (FindSettingsWindow() != nullptr) problem("the window outlives CloseHW");
  const std::size_t calls = HostCalls().size();
  Pump(100);
  if (HostCalls().size() != calls) problem("callbacks after CloseHW");
  for (const HostCall& c : HostCalls()) {
    bool status_form = c.count == -1 && c.samples == nullptr;
    bool block_form = c.count >= 0 && c.count <= 8192 && c.status == 2 && c.samples != nullptr;
    if (!status_form && !block_form) {
      problem("callback (" + std::to_string(c.count) + ", " + std::to_string(c.status) + ")");
      break;
    }
  }
  note("unload");
  if (!UnloadPlugin()) problem("the DLL stays loaded");

  const ProfileContent after = ReadProfile(SettingsPath());
  if (!FileExists(SettingsPath())) problem("the settings file is gone");
  if (!first.ok && !second.ok) {
    if (!(after == before))
      problem("no InitHW succeeded, yet the file changed:\n" + after.Describe());
  } else {
    if (!(after.WithoutPluginKeys() == before.WithoutPluginKeys()))
      problem("content lost:\n" + after.Describe());
    if (std::string bad = CheckPluginKeys(after); !bad.empty()) problem("saved " + bad);
    const std::string* saved_rate = after.Find("Parameters", "Srate");
    if (saved_rate != nullptr && *saved_rate != std::to_string(rate))
      problem("saved Srate " + *saved_rate + " while GetHWSR said " + std::to_string(rate));
  }
  if (CountFailedInvokes(id) == 0) problems.push_back("no-injection " + std::to_string(id));
  return problems;
}

// Runs the session for every id with the failure starting at `phase`; `reached` are
// the ids the session uses at or after that phase, whose injection must have hit.
void RunPhase(Phase phase, const std::set<int>& reached) {
  HostWatch watch;
  HANDLE fail_switch = CreateEventW(nullptr, TRUE, FALSE, kSwitchName.c_str());
  ASSERT_NE(fail_switch, nullptr);
  int injected = 0;
  std::vector<int> ids(std::begin(kUsedIds), std::end(kUsedIds));
  ids.push_back(kAllIds);
  for (int id : ids) {
    for (const std::string& problem : RunSession(id, phase, fail_switch, watch)) {
      if (problem.rfind("no-injection", 0) == 0) {
        bool expected = id == kAllIds ? !reached.empty() : reached.count(id) > 0;
        EXPECT_FALSE(expected) << "the failure of " << Label(id) << " never hit";
      } else {
        ADD_FAILURE() << problem;
      }
    }
    if (reached.count(id)) ++injected;
  }
  CloseHandle(fail_switch);
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  std::printf(
      "%zu ids failed one at a time and all together from this phase on; %d of them are "
      "used at or after it\n",
      std::size(kUsedIds), injected);
  RemoveSettings();
}

// The whole session, so every id is reached.
TEST(Faults, FromStartUp) {
  RunPhase(Phase::kStartUp, {1, 2, 4, 5, 6, 8, 9, 10, 13, 14, 18, 21, 34});
}

// The model text is read once and InitControl called once, before this phase.
TEST(Faults, FromTheSettingsPushOfALaterInit) {
  RunPhase(Phase::kSettingsPush, {1, 4, 5, 6, 8, 10, 13, 14, 18, 21});
}

TEST(Faults, FromAUserChangeInTheWindow) {
  RunPhase(Phase::kUserChange, {4, 5, 6, 8, 10, 13, 14, 18, 21});
}

TEST(Faults, WhileStreaming) {
  RunPhase(Phase::kStreaming, {5, 8, 13, 14, 18, 21});
}

// Closing asks nothing of the component: no id is reached, and none may matter.
TEST(Faults, AtClose) {
  RunPhase(Phase::kClose, {});
}

}  // namespace
}  // namespace tessel::testing
