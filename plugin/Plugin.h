// The C++ side of the thirteen entry points, and the plug-in's globals.
#pragma once

#include <cstdint>
#include <string_view>

#include "plugin/PluginState.h"

namespace tessel {

// Texts InitHW reports.
inline constexpr char kTextNotConnected[] = "Calder/Marlo not connected or powered off";
inline constexpr char kTextErrorState[] = "Calder/Marlo in error state";
inline constexpr char kTextNotResponding[] = "Calder/Marlo not responding";
inline constexpr char kTextNotInstalled[] = "Calder/Marlo control not installed";
inline constexpr char kTextCannotCreate[] = "Calder/Marlo control cannot be created";
inline constexpr char kTextWindowFailed[] = "Calder/Marlo window cannot be created";
inline constexpr char kTextStartFailed[] = "Calder/Marlo control failed to start";
inline constexpr char kTextRejected[] = "Calder/Marlo control rejected a setting";
inline constexpr char kTextStarting[] = "Calder/Marlo still starting";
inline constexpr char kTextClosed[] = "Calder/Marlo plug-in closed";
inline constexpr char kTextWrongApartment[] = "Calder/Marlo needs a single-threaded COM thread";
inline constexpr char kTextInternal[] = "Calder/Marlo plug-in failed";
inline constexpr char kModelUnknown[] = "Boh?";
inline constexpr char kModelFound[] = "N/A";

// Bytes written into each of the host's name and model buffers, terminator included.
inline constexpr std::size_t kHostTextCapacity = 64;
// How long the first InitHW waits for the receiver's first status.
inline constexpr unsigned kInitWaitMs = 10000;
inline constexpr int32_t kReceiverClock = 66667120;
inline constexpr int32_t kBlockLength = 2048;
inline constexpr int kOffScreenLeft = -9999;

// Copies `text`, in the system code page, into a host buffer of kHostTextCapacity
// bytes, cut if longer but never inside a character, always terminated. A null
// buffer is skipped. (plugin/HostText.cpp)
void CopyHostText(char* buffer, std::string_view text);

// True when the text begins with "Calder" in any letter case.
bool IsCalderModel(std::string_view text);

// The plug-in's globals (read-only view, for the library's own checks).
const PluginState& State();

// Records at unload that the process is ending, so the window is left to the system.
void NoteProcessTerminating();

namespace entry {
bool InitHW(char* name, char* model, int32_t* type);
bool OpenHW();
int32_t StartHW(int32_t frequency);
int32_t GetStatus();
void StopHW();
void CloseHW();
void SetCallback(HostCallbackFn callback);
void SetHWLO(int32_t frequency);
int32_t GetHWLO();
int32_t GetHWSR();
void ShowGUI();
void HideGUI();
void TuneChanged(int32_t frequency);
}  // namespace entry

}  // namespace tessel
