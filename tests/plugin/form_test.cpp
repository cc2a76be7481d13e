// The settings window's handlers and its control rules, against a fake component.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "contract/CalderContract.h"
#include "framework/HandleNames.h"
#include "plugin/Session.h"
#include "receiver/EventSink.h"
#include "receiver/Form.h"
#include "receiver/RateTable.h"
#include "receiver/SampleBuffer.h"
#include "testing/FakeDispatch.h"

namespace tessel {
namespace {

// A component that offers only IDispatch: records what it is told, fails the
// dispatch ids it is asked to.
class FakeComponent final : public testing::FakeDispatch {
 public:
  std::vector<std::string> log;
  std::set<DISPID> failing;
  std::wstring device = L"Calder";
  std::wstring serial = L"S-7";
  int32_t count = 2048;
  SAFEARRAY* seen_array = nullptr;

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    std::string line;
    if (flags & DISPATCH_PROPERTYPUT) {
      line = "put " + std::to_string(id) + " " + std::to_string(params->rgvarg[0].lVal);
    } else {
      line = (flags & DISPATCH_METHOD ? "call " : "get ") + std::to_string(id);
    }
    log.push_back(line);
    if (failing.count(id)) return DISP_E_EXCEPTION;
    if (result == nullptr) return S_OK;
    switch (id) {
      case calder::kDeviceName:
      case calder::kSerialNumber:
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString((id == calder::kDeviceName ? device : serial).c_str());
        break;
      case calder::kIQOffset:
        result->vt = VT_R8;
        result->dblVal = 0.25;
        break;
      case calder::kGetIntegerData:
        seen_array = *params->rgvarg[0].pparray;
        EXPECT_EQ(params->rgvarg[0].vt, VT_ARRAY | VT_I2 | VT_BYREF);
        static_cast<int16_t*>(seen_array->pvData)[0] = 1234;
        result->vt = VT_I4;
        result->lVal = count;
        break;
      default:
        result->vt = VT_I4;
        result->lVal = 0;
    }
    return S_OK;
  }
};

struct Call {
  int32_t count;
  int32_t status;
  float offset;
  int16_t* samples;
};
std::vector<Call> calls;
// The 32 bits a float argument carried.
uint32_t Bits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
void __cdecl Record(int32_t count, int32_t status, float offset, int16_t* samples) {
  calls.push_back({count, status, offset, samples});
}

// The window's host: the state its handlers write and a callback that records.
class RecordingHost final : public SessionLink {
 public:
  ReceiverState& State() override { return state_; }
  bool HasCallback() const override { return callback_ != nullptr; }
  bool InCallback() const override { return false; }
  void Notify(int32_t count, int32_t status, float offset, int16_t* samples) override {
    if (callback_ != nullptr) callback_(count, status, offset, samples);
  }
  void Enter() override {}
  void Leave() override {}
  void LeaveEvent() override {}
  void DeferredCloseTimer() override {}
  UINT CommandMessage() const override { return 0; }
  void RunCommands(uintptr_t, LPARAM) override {}
  void SetCallback(HostCallbackFn callback) { callback_ = callback; }

 private:
  ReceiverState state_;
  HostCallbackFn callback_ = nullptr;
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    FormFailure failure;
    form_ = TF::Create(session_, &failure,
                       [this](HWND, const RECT&, ReceiverEvents* events, CreateFailure*) {
                         return ReceiverControl::Attach(ComPtr<IDispatch>(&fake_), events);
                       });
    ASSERT_NE(form_, nullptr);
    session_.SetCallback(&Record);
  }

  FakeComponent fake_;
  RecordingHost session_;
  ReceiverState& state_ = session_.State();
  std::unique_ptr<TF> form_;
};

TEST_F(FormTest, RateButtonsSetTheRateWriteTheFilterAndAnnounceEachClick) {
  EXPECT_TRUE(form_->RateButtonControl(RateButton::kRate158730).Down());
  form_->ClickRate(RateButton::kRate196078);
  form_->ClickRate(RateButton::kRate196078);
  EXPECT_EQ(state_.Settings.SampleRate, 196078);
  EXPECT_TRUE(form_->RateButtonControl(RateButton::kRate196078).Down());
  EXPECT_FALSE(form_->RateButtonControl(RateButton::kRate158730).Down());
  EXPECT_EQ(fake_.log, (std::vector<std::string>{"put 5 12", "put 5 12"}));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].count, -1);
  EXPECT_EQ(calls[1].status, 100);
  EXPECT_EQ(Bits(calls[1].offset), 0u) << "0.0 as the all-zero pattern";
  EXPECT_EQ(calls[1].samples, nullptr);
  form_->Rate8138Click(nullptr);
  EXPECT_EQ(state_.Settings.SampleRate, 8138);
  EXPECT_EQ(fake_.log.back(), "put 5 0");
}

TEST_F(FormTest, ARejectedWriteKeepsTheGlobalAndSkipsWhatFollows) {
  fake_.failing = {calder::kIFfilter, calder::kIFgain};
  form_->ClickRate(RateButton::kRate37793);
  EXPECT_EQ(state_.Settings.SampleRate, 37793);
  EXPECT_TRUE(calls.empty());
  form_->SetGainPosition(GainSlider::kSliderIFGain, 1);
  EXPECT_EQ(state_.Settings.IfGain, 6);
  EXPECT_EQ(form_->Control("LIFgain").Caption(), "24 dB") << "label not updated";
}

TEST_F(FormTest, InputPairRunsAHandlerOnlyWhenTheSelectionChanges) {
  form_->SelectInput(true);  // already selected
  EXPECT_TRUE(fake_.log.empty());
  form_->SelectInput(false);
  EXPECT_FALSE(state_.Settings.PreampOn);
  EXPECT_EQ(state_.Settings.InputSource, 128);
  EXPECT_FALSE(form_->PreON().Checked());
  form_->SelectInput(false);
  form_->SelectInput(true);
  EXPECT_TRUE(state_.Settings.PreampOn);
  EXPECT_EQ(state_.Settings.InputSource, 129);
  EXPECT_EQ(fake_.log, (std::vector<std::string>{"put 6 128", "put 6 129"}));
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(FormTest, SlidersSnapGainsToTheirStepsAndShowThem) {
  const struct {
    int position;
    int hf;
    const char* hf_caption;
  } hf_rows[] = {{0, -30, "-30 dB"}, {1, -20, "-20 dB"}, {2, -10, "-10 dB"}, {3, 0, "0 dB"}};
  for (const auto& row : hf_rows) {
    form_->SetGainPosition(GainSlider::kSliderHFGain, row.position);
    EXPECT_EQ(state_.Settings.HfGain, row.hf);
    EXPECT_EQ(form_->Control("LHFgain").Caption(), row.hf_caption);
  }
  // 30 dB asks for position 5: not taken, but the handler resets the gain.
  form_->SetGainPosition(GainSlider::kSliderIFGain, 3);
  form_->SetGainPosition(GainSlider::kSliderIFGain, 30 / 6);
  EXPECT_EQ(form_->Slider(GainSlider::kSliderIFGain).Position(), 3);
  EXPECT_EQ(state_.Settings.IfGain, 18);
  form_->SetGainPosition(GainSlider::kSliderIFGain, 0);
  EXPECT_EQ(form_->Control("LIFgain").Caption(), "0 dB");
  EXPECT_EQ(fake_.log.back(), "put 10 0");
  EXPECT_TRUE(calls.empty()) << "gain changes are not announced";
}

TEST_F(FormTest, StatusEventsBuildTheModelTextOnceAndForwardEveryStatus) {
  form_->SDRStatusChange(0);
  EXPECT_EQ(state_.ModelText, "");
  form_->SDRStatusChange(2);
  form_->SDRStatusChange(2);
  EXPECT_EQ(state_.ModelText, "Calder   -   S-7");
  EXPECT_EQ(form_->Control("LModel").Caption(), "Calder   -   S-7");
  EXPECT_EQ(fake_.log, (std::vector<std::string>{"get 9", "get 2"}));
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].status, 0);
  EXPECT_EQ(calls[2].status, 2);
  for (const Call& call : calls) {
    EXPECT_EQ(call.count, -1);
    EXPECT_EQ(Bits(call.offset), 0u);
    EXPECT_EQ(call.samples, nullptr);
  }
  form_->SDRStatusChange(77);
  EXPECT_EQ(state_.HardwareStatus, 77);
}

TEST_F(FormTest, DataEventsHandTheWindowsBufferOverWithoutCopying) {
  state_.HardwareStatus = 3;
  form_->SDRDataRdy(0);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].count, 2048);
  EXPECT_EQ(calls[0].status, 2);
  EXPECT_EQ(calls[0].offset, 0.25f);
  EXPECT_EQ(calls[0].samples, form_->Samples());
  EXPECT_EQ(form_->Samples()[0], 1234);
  ASSERT_NE(fake_.seen_array, nullptr);
  EXPECT_EQ(fake_.seen_array->pvData, form_->Samples());
  EXPECT_EQ(fake_.seen_array->rgsabound[0].cElements, 8192u);
  VARTYPE type = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetVartype(fake_.seen_array, &type), S_OK);
  EXPECT_EQ(type, VT_I2);

  fake_.failing = {calder::kGetIntegerData};
  form_->SDRDataRdy(0);
  EXPECT_EQ(calls.back().count, 0) << "a failed fetch still delivers, with count 0";
  session_.SetCallback(nullptr);
  fake_.log.clear();
  form_->SDRDataRdy(0);
  EXPECT_EQ(fake_.log, (std::vector<std::string>{"call 21"}));
}

TEST_F(FormTest, HideButtonHidesTheWindowOnly) {
  form_->ShowOnTop();
  EXPECT_TRUE(IsWindowVisible(form_->Handle()));
  form_->Control("HideButt").Click();
  EXPECT_FALSE(IsWindowVisible(form_->Handle()));
  EXPECT_TRUE(fake_.log.empty());
  EXPECT_TRUE(calls.empty());
}

// A per-monitor aware host's window moved to a monitor of another scale: the window
// is laid out again from its stored layout at the DPI the window now reports, about
// its centre. The message is only a hint: its scale is not taken and its rectangle
// (here no pointer at all) is not read.
TEST_F(FormTest, MovingToAMonitorOfAnotherDpiLaysTheWindowOutAgain) {
  int reported = 96;
  form_->SetDpiSource([&reported](HWND) { return reported; });
  const LPARAM no_pointer = 0x41414141;
  auto dpi_changed = [&](int claimed) {
    SendMessageW(form_->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(claimed, claimed),
                 no_pointer);
  };
  auto centre = [&] {
    RECT w{};
    GetWindowRect(form_->Handle(), &w);
    return std::pair{(w.left + w.right) / 2, (w.top + w.bottom) / 2};
  };
  auto client_size = [&] {
    RECT client{};
    GetClientRect(form_->Handle(), &client);
    return std::pair{client.right, client.bottom};
  };
  const auto centre96 = centre();
  widgets::TSlideBar& slider = form_->Slider(GainSlider::kSliderIFGain);
  const fw::TRect thumb96 = slider.ThumbRect();
  const int value96 = slider.NewPosition(5, 40);
  struct Row {
    int dpi;
    int client_w, client_h, key_w, key_h, slider_w, slider_h;
  };
  const Row rows[] = {
      {144, 545, 486, 203, 33, 17, 140},
      {192, 726, 648, 270, 44, 22, 186},
      {96, 363, 324, 135, 22, 11, 93},
  };
  for (const Row& r : rows) {
    const fw::DpiScale scale(r.dpi);
    reported = r.dpi;
    dpi_changed(120);
    EXPECT_EQ(client_size(), (std::pair{LONG{r.client_w}, LONG{r.client_h}})) << r.dpi;
    const auto middle = centre();
    EXPECT_NEAR(middle.first, centre96.first, 1) << r.dpi;
    EXPECT_NEAR(middle.second, centre96.second, 1) << r.dpi;
    widgets::TZupButt& key = form_->RateButtonControl(RateButton::kRate158730);
    EXPECT_EQ((std::pair{key.Width(), key.Height()}), (std::pair{r.key_w, r.key_h})) << r.dpi;
    EXPECT_EQ((std::pair{slider.Width(), slider.Height()}), (std::pair{r.slider_w, r.slider_h}))
        << r.dpi;
    // The thumb and the pointer's meaning follow the scale.
    const fw::TRect thumb = slider.ThumbRect();
    EXPECT_EQ(thumb.Height(), scale.Apply(thumb96.Height())) << r.dpi;
    EXPECT_NEAR(thumb.Top, scale.Apply(thumb96.Top), (r.dpi + 95) / 96) << r.dpi;
    EXPECT_NEAR(slider.NewPosition(scale.Apply(5), scale.Apply(40)), value96, 1) << r.dpi;
  }
  // A scale the window does not report, from this thread or another, or a DPI no
  // monitor has, changes nothing.
  dpi_changed(144);
  std::atomic<bool> sent{false};
  std::thread other([&] {
    dpi_changed(192);
    sent = true;
  });
  while (!sent) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(1);
  }
  other.join();
  for (int odd : {0, 20000}) {
    reported = odd;
    dpi_changed(odd);
  }
  EXPECT_EQ(client_size(), (std::pair{363L, 324L}));
}

// A component that is a windowed control puts its window into the settings window
// when it is created. The window's own controls lie above it, as they did when the
// layout made their windows before the component's: where the input selector
// overlaps the component's 32 x 32 area, the selector is shown and takes the clicks,
// and the component's window is the last in the z-order and the dialog tab order.
TEST(FormWithAWindowedComponent, TheControlsLieAboveTheComponentsWindowOnceShown) {
  FakeComponent fake;
  RecordingHost session;
  HWND component = nullptr;
  FormFailure failure;
  auto form = TF::Create(
      session, &failure,
      [&](HWND parent, const RECT& area, ReceiverEvents* events, CreateFailure*) {
        component = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                    area.left, area.top, area.right - area.left,
                                    area.bottom - area.top, parent, nullptr, nullptr, nullptr);
        return ReceiverControl::Attach(ComPtr<IDispatch>(&fake), events);
      });
  ASSERT_NE(form, nullptr);
  ASSERT_NE(component, nullptr);
  form->ShowInputSelector();
  form->ShowOnTop();
  const HWND window = form->Handle();
  const HWND panel = form->Control("PreampPanel").AsWinControl()->WindowHandle();
  ASSERT_NE(panel, nullptr);
  std::vector<HWND> order;
  for (HWND w = GetWindow(window, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
    order.push_back(w);
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.back(), component)
      << "the component's window lies above "
      << std::find(order.begin(), order.end(), component) - order.begin() << " of the window's "
      << order.size() << " child windows";
  // (20, 270): inside the component's area (2, 242)-(34, 274) and the selector's
  // panel (6, 268)-(131, 309).
  EXPECT_EQ(ChildWindowFromPointEx(window, POINT{20, 270}, CWP_SKIPINVISIBLE), panel);
  form.reset();
}

// Records what the event sink passes on.
struct EventLog final : ReceiverEvents {
  std::vector<std::string> seen;
  void OnStatusChange(int32_t status) override {
    seen.push_back("status " + std::to_string(status));
  }
  void OnDataRdy(int32_t status) override { seen.push_back("data " + std::to_string(status)); }
};

TEST(EventSink, AStatusNeedsANumberButNoDataEventIsDropped) {
  EventLog events;
  ComPtr<EventSink> sink = common::Adopt(new EventSink(&events));
  auto fire = [&](DISPID id, VARIANT* args, UINT count) {
    DISPPARAMS params{args, nullptr, count, 0};
    UINT arg_error = 0;
    return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &arg_error);
  };
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_I2;
  number.iVal = 3;
  fw::ScopedBstr text = fw::AllocBstr(L"abc");
  VARIANT word;
  VariantInit(&word);
  word.vt = VT_BSTR;
  word.bstrVal = text.get();

  EXPECT_EQ(fire(calder::kOnStatusChange, &number, 1), S_OK);
  EXPECT_EQ(fire(calder::kOnStatusChange, nullptr, 0), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(fire(calder::kOnStatusChange, &word, 1), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(fire(calder::kOnDataRdy, nullptr, 0), S_OK);
  EXPECT_EQ(fire(calder::kOnDataRdy, &word, 1), S_OK);
  EXPECT_EQ(fire(calder::kOnUartDataRdy, nullptr, 0), S_OK);
  EXPECT_EQ(events.seen, (std::vector<std::string>{"status 3", "data 0", "data 0"}));
  sink->Disconnect();
  EXPECT_EQ(fire(calder::kOnStatusChange, &number, 1), S_OK);
  EXPECT_EQ(events.seen.size(), 3u);
}

TEST(RateTable, ButtonForRateFallsBackTo111111) {
  EXPECT_EQ(ButtonForRate(8138), RateButton::kRate8138);
  EXPECT_EQ(ButtonForRate(196078), RateButton::kRate196078);
  EXPECT_EQ(ButtonForRate(0), RateButton::kRate111111);
  EXPECT_EQ(ButtonForRate(12345), RateButton::kRate111111);
  EXPECT_EQ(FilterIndexOf(RateButton::kRate196078), 12);
}

}  // namespace
}  // namespace tessel
