// A user at the settings window: real mouse and key messages posted to the
// controls under the pointer, as the system would deliver them.
#pragma once

#include <windows.h>

namespace tessel::testing {

// The seven rates in the order of their buttons, top to bottom.
inline constexpr int kRates[7] = {8138, 16276, 37793, 55555, 111111, 158730, 196078};

// The visible child window of `window` at client point (x, y), with the point in its
// client; `window` itself when no child is there.
HWND ChildAt(HWND window, int x, int y, POINT* local);

// Posts a left press and release on rate button `index` (0 to 6). The caller pumps.
void PostRateClick(HWND window, int index);

// The HF or the IF gain slider's control.
HWND GainSlider(HWND window, bool hf);

// Posts a key press and release to `target`. The caller pumps.
void PostKey(HWND target, WPARAM key);

// The descendant window of `window` whose text is `text`, or null.
HWND FindChildByText(HWND window, const char* text);

}  // namespace tessel::testing
