// The component's dispatch interface: members, types, coercion, rejected calls,
// GetIntegerData's bounds and the invoke log.
#include <olectl.h>

#include <array>
#include <climits>
#include <fstream>
#include <string>

#include "tests/sim/SimFixture.h"

namespace calder::sim::testing {
namespace {

// A SAFEARRAY descriptor lying over a caller's buffer, as the plug-in hands it.
struct BorrowedArray {
  BorrowedArray(int16_t* data, ULONG elements, LONG lower_bound = 0) {
    descriptor.cDims = 1;
    descriptor.fFeatures = FADF_AUTO | FADF_FIXEDSIZE;
    descriptor.cbElements = sizeof(int16_t);
    descriptor.pvData = data;
    descriptor.rgsabound[0] = {elements, lower_bound};
  }
  VARIANT ByRef() {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_ARRAY | VT_I2 | VT_BYREF;
    V_ARRAYREF(&v) = &pointer;
    return v;
  }
  VARIANT ByValue() {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_ARRAY | VT_I2;
    V_ARRAY(&v) = &descriptor;
    return v;
  }
  SAFEARRAY descriptor = {};
  SAFEARRAY* pointer = &descriptor;
};

constexpr int16_t kGuard = 0x5A5A;

int32_t ReadInt(IDispatch* sim, DISPID id) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(GetProperty(sim, id, &value), S_OK) << "dispid " << id;
  EXPECT_EQ(V_VT(&value), VT_I4) << "dispid " << id;
  return V_I4(&value);
}

std::wstring ReadText(IDispatch* sim, DISPID id) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(GetProperty(sim, id, &value), S_OK);
  EXPECT_EQ(V_VT(&value), VT_BSTR);
  std::wstring text(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
  VariantClear(&value);
  return text;
}

TEST_F(SimTest, EveryPropertyReadsWithItsType) {
  auto sim = Create();
  const std::pair<DISPID, VARTYPE> properties[] = {
      {kClockFrequency, VT_I4},   {kDeviceName, VT_BSTR}, {kFirmwareRevision, VT_I4},
      {kHFgain, VT_I4},           {kIFfilter, VT_I4},     {kInputSource, VT_I4},
      {kInterfaceVersion, VT_I4}, {kNCOfrequency, VT_I4}, {kSerialNumber, VT_BSTR},
      {kIFgain, VT_I4},           {kSampleRate, VT_I4},   {kBootRevision, VT_I2},
      {kIQOffset, VT_R8}};
  for (const auto& [id, type] : properties) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(GetProperty(sim.Get(), id, &value), S_OK) << "dispid " << id;
    EXPECT_EQ(V_VT(&value), type) << "dispid " << id;
    VariantClear(&value);
  }
  EXPECT_EQ(ReadText(sim.Get(), kDeviceName), L"Calder");
  EXPECT_EQ(ReadInt(sim.Get(), kClockFrequency), 66667120);
  VARIANT offset;
  VariantInit(&offset);
  ASSERT_EQ(GetProperty(sim.Get(), kIQOffset, &offset), S_OK);
  EXPECT_DOUBLE_EQ(V_R8(&offset), 0.0125);
}

TEST_F(SimTest, WritesReadBackAndEveryValueThePlugInSendsIsTaken) {
  auto sim = Create();
  const std::pair<DISPID, int32_t> writes[] = {{kClockFrequency, 66667120},
                                               {kHFgain, -15},
                                               {kHFgain, -30},
                                               {kHFgain, 0},
                                               {kIFgain, 100},
                                               {kIFgain, 30},
                                               {kIFgain, 0},
                                               {kIFgain, 24},
                                               {kInputSource, 0},
                                               {kInputSource, 128},
                                               {kInputSource, 129},
                                               {kNCOfrequency, INT32_MIN},
                                               {kNCOfrequency, -1},
                                               {kNCOfrequency, INT32_MAX},
                                               {kNCOfrequency, 7050000}};
  for (const auto& [id, value] : writes) {
    ASSERT_EQ(PutInt(sim.Get(), id, value), S_OK) << "dispid " << id << " = " << value;
    EXPECT_EQ(ReadInt(sim.Get(), id), value) << "dispid " << id;
  }
  for (const FilterRate& entry : kFilterRates) {
    ASSERT_EQ(PutInt(sim.Get(), kIFfilter, entry.index), S_OK);
    EXPECT_EQ(ReadInt(sim.Get(), kIFfilter), entry.index);
    EXPECT_EQ(ReadInt(sim.Get(), kSampleRate), entry.rate);
  }
}

TEST_F(SimTest, ArgumentsAreCoercedLikeAnAutomationServer) {
  auto sim = Create();
  EXPECT_EQ(PutProperty(sim.Get(), kHFgain, I2(-20)), S_OK);
  EXPECT_EQ(ReadInt(sim.Get(), kHFgain), -20);

  LONG by_reference = 12;
  VARIANT ref;
  VariantInit(&ref);
  V_VT(&ref) = VT_I4 | VT_BYREF;
  V_I4REF(&ref) = &by_reference;
  EXPECT_EQ(PutProperty(sim.Get(), kIFfilter, ref), S_OK);
  EXPECT_EQ(ReadInt(sim.Get(), kSampleRate), 196078);

  VARIANT real;
  VariantInit(&real);
  V_VT(&real) = VT_R8;
  V_R8(&real) = 18.0;
  EXPECT_EQ(PutProperty(sim.Get(), kIFgain, real), S_OK);
  EXPECT_EQ(ReadInt(sim.Get(), kIFgain), 18);

  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"abc");
  EXPECT_EQ(PutProperty(sim.Get(), kNCOfrequency, text), DISP_E_TYPEMISMATCH);
  VariantClear(&text);
  EXPECT_EQ(ReadInt(sim.Get(), kNCOfrequency), 0);

  // Start takes two int16 values: 40000 does not fit, and the second argument is
  // rgvarg[0].
  UINT arg_error = 99;
  EXPECT_EQ(CallMethod(sim.Get(), kStart, {I2(1), I4(40000)}, nullptr, nullptr, &arg_error),
            DISP_E_OVERFLOW);
  EXPECT_EQ(arg_error, 0u);
}

TEST_F(SimTest, CallsThatDoNotFitTheInterfaceFailAsARealServerFails) {
  auto sim = Create();
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(GetProperty(sim.Get(), 99, &value), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(PutInt(sim.Get(), kDeviceName, 1), DISP_E_MEMBERNOTFOUND);  // read only
  EXPECT_EQ(PutInt(sim.Get(), kIQOffset, 1), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(PutInt(sim.Get(), kStart, 1), DISP_E_MEMBERNOTFOUND);  // a method
  EXPECT_EQ(CallMethod(sim.Get(), kStart, {I2(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(sim.Get(), kStop, {I2(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(sim.Get(), kGetIntegerData, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(sim.Get(), kNCOfrequency, {I4(5)}), DISP_E_BADPARAMCOUNT);

  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(sim->Invoke(kStop, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(sim->Invoke(kStop, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  // Method calls with no result or exception slots at all still work.
  EXPECT_EQ(sim->Invoke(kStop, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            S_OK);
}

TEST_F(SimTest, AnIFfilterOutsideTheTableIsRejectedAndKeepsThePreviousIndex) {
  auto sim = Create();
  ASSERT_EQ(PutInt(sim.Get(), kIFfilter, 2), S_OK);
  for (const int32_t index : {6, 7, 11, 13, -1, 100}) {
    EXCEPINFO exception = {};
    EXPECT_EQ(PutProperty(sim.Get(), kIFfilter, I4(index), &exception), DISP_E_EXCEPTION) << index;
    EXPECT_NE(exception.bstrDescription, nullptr);
    EXPECT_TRUE(FAILED(exception.scode));
    ClearException(&exception);
    EXPECT_EQ(ReadInt(sim.Get(), kIFfilter), 2);
  }
  EXPECT_EQ(ReadInt(sim.Get(), kSampleRate), 37793);
  EXPECT_EQ(PutInt(sim.Get(), kClockFrequency, 0), DISP_E_EXCEPTION);
}

TEST_F(SimTest, ConfiguredFailuresHitEveryKindOfInvoke) {
  SetSimVariable(L"CALDER_SIM_FAIL", L"4,13,21,34");
  auto sim = Create();
  EXCEPINFO exception = {};
  EXPECT_EQ(PutProperty(sim.Get(), kHFgain, I4(-10), &exception), DISP_E_EXCEPTION);
  EXPECT_NE(exception.bstrDescription, nullptr);
  EXPECT_NE(exception.bstrSource, nullptr);
  EXPECT_TRUE(FAILED(exception.scode));
  ClearException(&exception);

  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(GetProperty(sim.Get(), kHFgain, &value), DISP_E_EXCEPTION);
  EXPECT_EQ(GetProperty(sim.Get(), kIQOffset, &value), DISP_E_EXCEPTION);
  EXPECT_EQ(CallMethod(sim.Get(), kInitControl, {}), DISP_E_EXCEPTION);
  std::array<int16_t, 16> buffer{};
  BorrowedArray array(buffer.data(), buffer.size());
  EXPECT_EQ(CallMethod(sim.Get(), kGetIntegerData, {array.ByRef()}, &value), DISP_E_EXCEPTION);
  // Members not in the list are untouched.
  EXPECT_EQ(PutInt(sim.Get(), kIFgain, 6), S_OK);
  EXPECT_EQ(ReadInt(sim.Get(), kIFgain), 6);
}

TEST_F(SimTest, ASwitchTurnsTheConfiguredFailuresOnAndOff) {
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, L"calder-sim-test-switch");
  ASSERT_NE(event, nullptr);
  SetSimVariable(L"CALDER_SIM_FAIL", L"4");
  SetSimVariable(L"CALDER_SIM_FAIL_SWITCH", L"calder-sim-test-switch");
  auto sim = Create();
  EXPECT_EQ(PutInt(sim.Get(), kHFgain, -10), S_OK) << "off until the switch is set";
  SetEvent(event);
  EXPECT_EQ(PutInt(sim.Get(), kHFgain, -20), DISP_E_EXCEPTION);
  EXPECT_EQ(PutInt(sim.Get(), kIFgain, 6), S_OK) << "only the listed ids fail";
  ResetEvent(event);
  EXPECT_EQ(PutInt(sim.Get(), kHFgain, -30), S_OK);
  EXPECT_EQ(ReadInt(sim.Get(), kHFgain), -30);
  CloseHandle(event);
  // A switch that nobody made cannot be used.
  SetSimVariable(L"CALDER_SIM_FAIL_SWITCH", L"calder-sim-no-such-switch");
  ComPtr<IDispatch> none;
  EXPECT_EQ(CreateSim(&none), E_INVALIDARG);
}

TEST_F(SimTest, ModelAndSerialComeFromTheEnvironment) {
  SetSimVariable(L"CALDER_SIM_DEVICE", L"Marlo");
  SetSimVariable(L"CALDER_SIM_SERIAL", L"<empty>");
  SetSimVariable(L"CALDER_SIM_IQOFFSET", L"-0.25");
  auto marlo = Create();
  EXPECT_EQ(ReadText(marlo.Get(), kDeviceName), L"Marlo");
  EXPECT_EQ(ReadText(marlo.Get(), kSerialNumber), L"");
  VARIANT offset;
  VariantInit(&offset);
  ASSERT_EQ(GetProperty(marlo.Get(), kIQOffset, &offset), S_OK);
  EXPECT_DOUBLE_EQ(V_R8(&offset), -0.25);

  // Read when the object is created: a later change does not touch it.
  SetSimVariable(L"CALDER_SIM_DEVICE", L"calder-x");
  SetSimVariable(L"CALDER_SIM_SERIAL", L"XY 42");
  auto other = Create();
  EXPECT_EQ(ReadText(other.Get(), kDeviceName), L"calder-x");
  EXPECT_EQ(ReadText(other.Get(), kSerialNumber), L"XY 42");
  EXPECT_EQ(ReadText(marlo.Get(), kDeviceName), L"Marlo");
}

TEST_F(SimTest, AnUnusableConfigurationFailsCreation) {
  SetSimVariable(L"CALDER_SIM_STATUS", L"ready");
  ComPtr<IDispatch> sim;
  EXPECT_EQ(CreateSim(&sim), E_INVALIDARG);
  EXPECT_EQ(sim, nullptr);
  // The thread's error object says which variable is wrong.
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr;
  ASSERT_EQ(info->GetDescription(&description), S_OK);
  const std::wstring text(description, SysStringLen(description));
  SysFreeString(description);
  EXPECT_NE(text.find(L"CALDER_SIM_STATUS"), std::wstring::npos)
      << std::string(text.begin(), text.end());
}

TEST_F(SimTest, GetIntegerDataNeverWritesBeyondTheArray) {
  auto sim = Create();
  struct Row {
    ULONG elements;
    LONG lower_bound;
    bool by_reference;
  } rows[] = {{8192, 0, true}, {8192, 0, false}, {2048, 0, true}, {100, 0, true},
              {100, 7, false}, {1, 0, true},     {0, 0, true}};
  for (const Row& row : rows) {
    std::vector<int16_t> buffer(8192 + 64, kGuard);
    BorrowedArray array(buffer.data(), row.elements, row.lower_bound);
    VARIANT count;
    VariantInit(&count);
    ASSERT_EQ(CallMethod(sim.Get(), kGetIntegerData,
                         {row.by_reference ? array.ByRef() : array.ByValue()}, &count),
              S_OK);
    const ULONG written = std::min<ULONG>(row.elements, kBlockValues);
    EXPECT_EQ(V_VT(&count), VT_I4);
    EXPECT_EQ(V_I4(&count), static_cast<int32_t>(written)) << row.elements;
    size_t changed = 0;
    for (size_t i = 0; i < written; ++i) changed += buffer[i] != kGuard;
    EXPECT_GT(changed + 16, written) << row.elements;  // real samples, not left alone
    for (size_t i = written; i < buffer.size(); ++i) {
      ASSERT_EQ(buffer[i], kGuard) << "overrun at " << i << " of " << row.elements;
    }
  }
}

TEST_F(SimTest, GetIntegerDataRejectsWhatIsNotAnInt16Array) {
  auto sim = Create();
  VARIANT count;
  VariantInit(&count);
  UINT arg_error = 99;
  EXPECT_EQ(CallMethod(sim.Get(), kGetIntegerData, {I4(5)}, &count, nullptr, &arg_error),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error, 0u);

  std::array<int32_t, 8> wide{};
  SAFEARRAY descriptor = {};
  descriptor.cDims = 1;
  descriptor.cbElements = sizeof(int32_t);  // claims VT_I2 but holds int32
  descriptor.pvData = wide.data();
  descriptor.rgsabound[0] = {8, 0};
  VARIANT lying;
  VariantInit(&lying);
  V_VT(&lying) = VT_ARRAY | VT_I2;
  V_ARRAY(&lying) = &descriptor;
  EXPECT_EQ(CallMethod(sim.Get(), kGetIntegerData, {lying}, &count), DISP_E_TYPEMISMATCH);

  SAFEARRAY* missing = nullptr;
  VARIANT null_ref;
  VariantInit(&null_ref);
  V_VT(&null_ref) = VT_ARRAY | VT_I2 | VT_BYREF;
  V_ARRAYREF(&null_ref) = &missing;
  EXCEPINFO exception = {};
  EXPECT_EQ(CallMethod(sim.Get(), kGetIntegerData, {null_ref}, &count, &exception),
            DISP_E_EXCEPTION);
  ClearException(&exception);
}

TEST_F(SimTest, AConfiguredCountIsReportedButNotWritten) {
  for (const auto& [text, reported] : {std::pair{L"9000", 9000}, std::pair{L"-5", -5}}) {
    SetSimVariable(L"CALDER_SIM_COUNT", text);
    auto sim = Create();
    std::vector<int16_t> buffer(4096, kGuard);
    BorrowedArray array(buffer.data(), 1000);
    VARIANT count;
    VariantInit(&count);
    ASSERT_EQ(CallMethod(sim.Get(), kGetIntegerData, {array.ByRef()}, &count), S_OK);
    EXPECT_EQ(V_I4(&count), reported);
    for (size_t i = 1000; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kGuard) << i;
  }
}

TEST_F(SimTest, ServesOnlyItsOwnInterfacesAndOneConnectionPoint) {
  auto sim = Create();
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(sim->QueryInterface(kDispatchIid, reinterpret_cast<void**>(unknown.GetAddressOf())),
            S_OK);
  ComPtr<IOleObject> ole;
  EXPECT_EQ(sim.As(&ole), E_NOINTERFACE);
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(sim.As(&container), S_OK);

  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &point),
            CONNECT_E_NOCONNECTION);
  // Advise asks the sink for the event interface; connections can be listed and removed.
  auto sink = RecordingSink::Make();
  Connection first(sim.Get(), sink.Get());
  Connection second(sim.Get(), sink.Get());
  ASSERT_EQ(first.result(), S_OK);
  EXPECT_TRUE(sink->QueryInterfaceWasAskedForEvents());
  ASSERT_EQ(container->FindConnectionPoint(kEventsIid, &point), S_OK);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  CONNECTDATA data[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
  EXPECT_EQ(point->Unadvise(first.cookie() + 1000), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(first.cookie()), S_OK);
  EXPECT_EQ(point->Unadvise(first.cookie()), CONNECT_E_NOCONNECTION);

  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"ifFILTER");
  EXPECT_EQ(sim->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  EXPECT_EQ(id, kIFfilter);
  name = const_cast<LPOLESTR>(L"AboutBox");
  EXPECT_EQ(sim->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(SimTest, SelfRegistrationNamesThisDllAsAnApartmentServer) {
  const HMODULE module = LoadLibraryW(SimDllPath().c_str());
  ASSERT_NE(module, nullptr);
  using Function = HRESULT(STDAPICALLTYPE*)();
  const auto entry = [&](const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  };
  const std::wstring key = std::wstring(L"CLSID\\") + kClassIdText + L"\\InprocServer32";
  ASSERT_EQ(entry("DllUnregisterServer")(), S_OK);
  EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr,
                         nullptr),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(entry("DllRegisterServer")(), S_OK);
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof(value);
  ASSERT_EQ(
      RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size),
      ERROR_SUCCESS);
  EXPECT_EQ(lstrcmpiW(value, SimDllPath().c_str()), 0);
  size = sizeof(value);
  ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"ThreadingModel", RRF_RT_REG_SZ, nullptr,
                         value, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, L"Apartment");

  // The module stays loaded while an object lives.
  auto sim = Create();
  EXPECT_EQ(entry("DllCanUnloadNow")(), S_FALSE);
  sim.Reset();
  EXPECT_EQ(entry("DllCanUnloadNow")(), S_OK);
  FreeLibrary(module);
}

TEST_F(SimTest, TheInvokeLogHasOneLinePerInvokeInOrder) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"calder_sim_log_test.txt";
  DeleteFileW(path.c_str());
  SetSimVariable(L"CALDER_SIM_LOG", path.c_str());
  SetSimVariable(L"CALDER_SIM_FAIL", L"9");
  {
    auto sim = Create();
    PutInt(sim.Get(), kClockFrequency, 66667120);
    PutInt(sim.Get(), kIFfilter, 12);
    PutInt(sim.Get(), kIFfilter, 7);
    VARIANT value;
    VariantInit(&value);
    GetProperty(sim.Get(), kSerialNumber, &value);
    GetProperty(sim.Get(), kNCOfrequency, &value);
    Start(sim.Get());
    std::vector<int16_t> buffer(8192);
    BorrowedArray array(buffer.data(), 8192);
    CallMethod(sim.Get(), kGetIntegerData, {array.ByRef()}, &value);
    CallMethod(sim.Get(), kStop, {});
  }
  {
    auto again = Create();  // appends, never truncates
    PutInt(again.Get(), kHFgain, -30);
  }
  std::ifstream file(std::string(path.begin(), path.end()));
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  file.close();
  EXPECT_EQ(lines, (std::vector<std::string>{"put 1 66667120", "put 5 12", "put 5 7 FAIL",
                                             "get 9 FAIL", "get 8", "call 18 1 0",
                                             "call 21 array(8192)", "call 14", "put 4 -30"}));
  DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace calder::sim::testing
