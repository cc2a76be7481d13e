#include "sim/Members.h"

#include "contract/CalderContract.h"

namespace calder::sim {

namespace {

using enum MemberKind;
using enum ValueType;

constexpr Member kMembers[] = {
    {kClockFrequency, L"ClockFrequency", kProperty, kInt32, true, 0},
    {kDeviceName, L"DeviceName", kProperty, kString, false, 0},
    {kFirmwareRevision, L"FirmwareRevision", kProperty, kInt32, false, 0},
    {kHFgain, L"HFgain", kProperty, kInt32, true, 0},
    {kIFfilter, L"IFfilter", kProperty, kInt32, true, 0},
    {kInputSource, L"InputSource", kProperty, kInt32, true, 0},
    {kInterfaceVersion, L"InterfaceVersion", kProperty, kInt32, false, 0},
    {kNCOfrequency, L"NCOfrequency", kProperty, kInt32, true, 0},
    {kSerialNumber, L"SerialNumber", kProperty, kString, false, 0},
    {kIFgain, L"IFgain", kProperty, kInt32, true, 0},
    {kSampleRate, L"SampleRate", kProperty, kInt32, false, 0},
    {kBootRevision, L"BootRevision", kProperty, kInt16, false, 0},
    {kIQOffset, L"IQOffset", kProperty, kDouble, false, 0},
    {kStop, L"Stop", kMethod, kNone, false, 0},
    {kStart, L"Start", kMethod, kNone, false, 2},
    {kGetIntegerData, L"GetIntegerData", kMethod, kNone, false, 1},
    {kInitControl, L"InitControl", kMethod, kNone, false, 0},
};

}  // namespace

const Member* FindMember(DISPID id) {
  for (const Member& member : kMembers) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

const Member* FindMemberByName(const wchar_t* name) {
  if (!name) return nullptr;
  for (const Member& member : kMembers) {
    if (lstrcmpiW(member.name, name) == 0) return &member;
  }
  return nullptr;
}

}  // namespace calder::sim
