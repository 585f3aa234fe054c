#pragma once
// Time stamps at named points of the program's work, for the benchmarks that
// break a user's action into its steps. Off unless the process was started
// with QUILLON_TRACE in its environment; then every mark writes the point and
// the performance counter into a ring in a named shared memory section
// ("Local\QuillonTrace.PID"), which a benchmark reads from outside the
// process while it runs. Off, a mark costs one load and a branch.
#include <cstdint>

namespace fw::trace {

enum class TPoint : std::uint32_t {
    ButtonUp = 1,          // a left release reached a skinned button
    ButtonPressedShown,    // the button's quick-click pressed face has been held
    ClickHandler,          // the button's click handler starts
    PortClosed,            // the handler has closed the port
    PortOpened,            // the port is open
    CommandWritten,        // the command has gone out
    EventWaitEnded,        // the event thread's wait has ended with events
    RxHandler,             // the receive handler starts on the GUI thread
    MemoTextSet,           // the reply line is in the memo
    MemoPaintBegin,        // the memo's client area paint starts
    MemoPainted,           // the memo's client area paint has ended
    MemoFramePainted,      // the memo's frame (non-client area) has been painted
    FormPaint,             // a paint of the main window's client area or its panel
    ButtonPaint,           // a paint of a skinned button
    ReplyRead,             // the receive handler has read the reply from the port
};

// The layout of the section, shared with the reader.
struct TRecord {
    std::uint32_t seq;  // index + 1, written last
    std::uint32_t point;
    std::int64_t ticks;  // performance counter
};
struct THeader {
    std::uint32_t magic;  // kMagic
    std::uint32_t capacity;
    std::int64_t frequency;
    std::uint32_t next;  // records written so far
    std::uint32_t pad;
};
inline constexpr std::uint32_t kMagic = 0x51545231;  // "QTR1"
inline constexpr std::uint32_t kCapacity = 16384;
inline constexpr const wchar_t* kSectionPrefix = L"Local\\QuillonTrace.";

bool Enabled() noexcept;
void Mark(TPoint point) noexcept;

}  // namespace fw::trace
