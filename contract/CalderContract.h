// The receiver control component as the plug-in reaches it: its class id, its
// dispatch interface and event interface ids, and the dispatch ids of the members
// the library touches. The stand-in component in sim/ implements the same contract.
#pragma once

#include <windows.h>
#include <oaidl.h>  // DISPID; WIN32_LEAN_AND_MEAN leaves it out of <windows.h>

namespace calder {

// {5541D10A-0AAC-4797-8ECA-C1A222CE5026}
inline constexpr CLSID kClassId = {
    0x5541d10a, 0x0aac, 0x4797, {0x8e, 0xca, 0xc1, 0xa2, 0x22, 0xce, 0x50, 0x26}};
inline constexpr wchar_t kClassIdText[] = L"{5541D10A-0AAC-4797-8ECA-C1A222CE5026}";

// Dispatch interface _DCalderX. {563B3005-F027-4D49-8A20-2AB9A502AE4A}
inline constexpr IID kDispatchIid = {
    0x563b3005, 0xf027, 0x4d49, {0x8a, 0x20, 0x2a, 0xb9, 0xa5, 0x02, 0xae, 0x4a}};

// Event interface _DCalderXEvents. {FDE94776-8916-4496-B820-DDBFA6E11365}
inline constexpr IID kEventsIid = {
    0xfde94776, 0x8916, 0x4496, {0xb8, 0x20, 0xdd, 0xbf, 0xa6, 0xe1, 0x13, 0x65}};

// Properties: int32 unless noted.
inline constexpr DISPID kClockFrequency = 1;
inline constexpr DISPID kDeviceName = 2;  // BSTR, read only
inline constexpr DISPID kFirmwareRevision = 3;
inline constexpr DISPID kHFgain = 4;
inline constexpr DISPID kIFfilter = 5;
inline constexpr DISPID kInputSource = 6;
inline constexpr DISPID kInterfaceVersion = 7;
inline constexpr DISPID kNCOfrequency = 8;
inline constexpr DISPID kSerialNumber = 9;  // BSTR, read only
inline constexpr DISPID kIFgain = 10;
inline constexpr DISPID kSampleRate = 11;
inline constexpr DISPID kBootRevision = 12;  // int16
inline constexpr DISPID kIQOffset = 13;      // double, read only

// Methods.
inline constexpr DISPID kStop = 14;            // ()
inline constexpr DISPID kStart = 18;           // (int16, int16)
inline constexpr DISPID kGetIntegerData = 21;  // (int16 array by reference) -> int32 count
inline constexpr DISPID kInitControl = 34;     // ()

// Events.
inline constexpr DISPID kOnStatusChange = 1;  // (int32 status)
inline constexpr DISPID kOnDataRdy = 2;       // (int32 status)
inline constexpr DISPID kOnUartDataRdy = 3;   // ()

// Receiver status values reported through OnStatusChange.
inline constexpr int kStatusNotConnected = 0;
inline constexpr int kStatusPresent = 1;
inline constexpr int kStatusStreaming = 2;
inline constexpr int kStatusError = 3;

// IFfilter indexes and the output rates they select, in Hz.
struct FilterRate {
  int index;
  int rate;
};
inline constexpr FilterRate kFilterRates[] = {{0, 8138},   {1, 16276},  {2, 37793},  {3, 55555},
                                              {4, 111111}, {5, 158730}, {12, 196078}};

// Values per block: 1024 I/Q pairs, I first.
inline constexpr int kBlockValues = 2048;

}  // namespace calder
