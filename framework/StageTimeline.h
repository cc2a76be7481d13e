// The stages of a window's start-up and the bookkeeping that charges time to them:
// plain values, so that the start-up benchmark and the tests can use them directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fw {

// What the library is doing while a settings window opens. The numbers are written
// to the record file: new stages go at the end, before kCount.
enum class Stage : uint8_t {
  kEntry,          // in the plug-in before the window is begun (entry, OLE)
  kWindowOther,    // building the window: what no stage below covers
  kLayoutParse,    // reading the stored layout's text
  kControls,       // making the controls and setting their properties
  kWindows,        // making the system windows of the windowed controls
  kPictures,       // loading and scaling pictures
  kFonts,          // making fonts and measuring text
  kDpiLayout,      // laying the window out again at its monitor's DPI
  kAccessible,     // accessible names and events
  kComponent,      // creating and connecting the receiver component
  kShow,           // between the window's creation and the component's start
  kPaint,          // painting the window and its controls
  kInitControl,    // the component's InitControl call
  kWaitStatus,     // waiting for the component's first status
  kAfterStatus,    // from the first status to the settings
  kSettings,       // giving the settings to the component and the window
  kAfterSettings,  // from the settings to the end of the call
  kCount,
};

inline constexpr std::size_t kStageCount = static_cast<std::size_t>(Stage::kCount);

// The stage's name as the benchmark prints it.
const char* StageName(Stage stage);

// From `At` (seconds on one clock) on, the time goes to `To`.
struct StageSwitch {
  double At = 0;
  Stage To = Stage::kEntry;
};

// Which stage the time goes to, as phases follow one another and scopes open and
// close within them. A scope's stage pauses the one it opened in; when the last
// scope closes the time goes to the phase in effect then, which may have changed
// inside the scope.
class StageRecorder {
 public:
  // At most this many switches are kept; later ones are dropped.
  explicit StageRecorder(std::size_t capacity) : capacity_(capacity) {}

  // The phases of a start-up come in order: a phase before the one in effect is
  // ignored, so that a later event of the same kind does not take the time back.
  void Phase(Stage stage, double now);
  void Open(Stage stage, double now);
  // Closes the innermost open scope; nothing when none is open.
  void Close(double now);

  const std::vector<StageSwitch>& Switches() const { return switches_; }

 private:
  void SwitchTo(Stage stage, double now);

  std::size_t capacity_;
  Stage phase_ = Stage::kEntry;
  std::vector<Stage> open_;
  std::vector<StageSwitch> switches_;
};

// The seconds each stage had between `begin` and `end`, indexed by stage: each
// switch gives the time up to the next one (or to `end`) to its stage; the time
// before the first switch goes to `before`. Switches out of order end the interval
// of the one before them at their own time, never giving a stage negative time.
std::array<double, kStageCount> StageTotals(std::span<const StageSwitch> switches, double begin,
                                            double end, Stage before);

}  // namespace fw
