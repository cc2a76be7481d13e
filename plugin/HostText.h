// Texts the plug-in hands to the host, and how they are copied into its buffers
// without splitting a character.
#pragma once

#include <cstddef>
#include <string_view>

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

// Copies `text`, written in `code_page`, into a host buffer of kHostTextCapacity
// bytes: cut to the longest run of whole characters that leaves room for the
// terminator, always terminated. A null buffer is skipped.
void CopyHostTextIn(char* buffer, std::string_view text, unsigned code_page);

// CopyHostTextIn for a text in the system code page.
void CopyHostText(char* buffer, std::string_view text);

}  // namespace tessel
