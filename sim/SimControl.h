// The stand-in receiver control: the dispatch interface by dispatch id, a
// connection point for the two events, and a synthetic signal paced in real
// time. Events are fired only from the creating thread's message queue.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <vector>

#include "common/ComObject.h"
#include "common/Handles.h"
#include "contract/CalderContract.h"
#include "sim/BlockPacer.h"
#include "sim/EventConnectionPoint.h"
#include "sim/InvokeLog.h"
#include "sim/Members.h"
#include "sim/MessageWindow.h"
#include "sim/SignalGenerator.h"
#include "sim/SimConfig.h"
#include "sim/StatusScript.h"

namespace calder::sim {

class SimControl final : public common::ComObject<IDispatch, IConnectionPointContainer,
                                                  common::AlsoAnswers<IDispatch, kDispatchIid>>,
                         private MessageWindow::Handler {
 public:
  // Creates an object configured by `config` on the calling thread and returns
  // it as `iid`.
  static HRESULT Create(SimConfig config, REFIID iid, void** object);

  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

 private:
  explicit SimControl(SimConfig config);
  ~SimControl() override;
  HRESULT Initialize();

  // True when `params` put a value that CALDER_SIM_REFUSE names for `id`.
  bool RefusesPut(DISPID id, WORD flags, const DISPPARAMS& params) const;
  HRESULT InvokeMember(const Member& member, WORD flags, const DISPPARAMS& params, LCID lcid,
                       VARIANT* result, EXCEPINFO* exception, UINT* arg_error);
  HRESULT GetProperty(DISPID id, VARIANT* result) const;
  HRESULT PutProperty(DISPID id, const VARIANT& value, LCID lcid, EXCEPINFO* exception,
                      UINT* arg_error);
  HRESULT CallMethod(DISPID id, const DISPPARAMS& params, LCID lcid, VARIANT* result,
                     EXCEPINFO* exception, UINT* arg_error);
  HRESULT GetIntegerData(const VARIANT& arg, VARIANT* result, EXCEPINFO* exception,
                         UINT* arg_error);
  HRESULT InitControl(EXCEPINFO* exception);
  HRESULT StartStream(EXCEPINFO* exception);
  void StopStream();

  bool OnWindowMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void FireDueStatuses();
  void OnDataTimer();
  void OnUnpacedMessage(WPARAM generation);
  void FireBlocks(int count, uint32_t generation);
  void FireEvent(DISPID id, int32_t status);
  HRESULT ReplaceArray(const VARIANT& arg, int values, VARIANT* result);

  bool FailuresOn() const;
  int64_t Now() const;
  int CurrentRate() const;
  // Appends the call to the log; `wrong_thread` marks one from another thread.
  void LogInvoke(DISPID id, WORD flags, const DISPPARAMS& params, const Member* member,
                 HRESULT result, bool wrong_thread);

  SimConfig config_;
  const DWORD creator_thread_ = GetCurrentThreadId();
  EventConnectionPoint events_;
  MessageWindow window_;
  InvokeLog log_;
  common::ScopedHandle fail_switch_;  // the event that turns the configured failures on, if any
  SignalGenerator generator_;
  BlockPacer pacer_;
  StatusScript status_script_;
  std::vector<int16_t> block_;
  int64_t ticks_per_second_ = 1;
  uint32_t blocks_fired_ = 0;  // data events so far; the stamp of the next block

  int64_t init_time_ = 0;
  uint32_t init_generation_ = 0;    // which InitControl a posted message belongs to
  uint32_t stream_generation_ = 0;  // which Start a posted message belongs to
  bool streaming_ = false;
  bool firing_blocks_ = false;
  bool resume_unpaced_ = false;  // a new stream's message came while a batch was firing

  int32_t clock_frequency_ = 66667120;
  int32_t hf_gain_ = 0;
  int32_t if_gain_ = 24;
  int32_t filter_index_ = 5;
  int32_t input_source_ = 129;
  int32_t nco_frequency_ = 0;
};

}  // namespace calder::sim
