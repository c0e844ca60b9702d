#pragma once

#include "platform/Geometry.h"

#include <cstdint>

// The input of the editor's plain classes, as the canvas widget hands it on. Times are seconds of
// the scheduler's clock; points are view points (y grows down).

// Modifier keys held during an event. Control stands where other desktops have the command key,
// Alt for the option key.
enum EventModifiers : unsigned {
    ShiftModifier = 1,
    ControlModifier = 2,
    AltModifier = 4,
    SuperModifier = 8,
};

enum class PointerEventKind { Press, Release, Motion, Enter, Leave };

// Buttons as the toolkit numbers them.
enum PointerButton : int {
    NoButton = 0,
    PrimaryButton = 1,
    MiddleButton = 2,
    SecondaryButton = 3,
};

struct PointerEvent {
    PointerEventKind kind = PointerEventKind::Motion;
    int button = NoButton;
    Point viewPoint;
    // 1 for a single press, 2 for a double press, ...; counted by the canvas itself.
    int clickCount = 0;
    unsigned modifiers = 0;
    double time = 0;
};

// Key values are the toolkit's key symbols as plain numbers (0xff51 is Left).
struct KeyEvent {
    uint32_t keyValue = 0;
    unsigned modifiers = 0;
};

// Scroll deltas in the toolkit's sign: positive y scrolls the content up (the view moves down the
// map). A wheel notch is one unit.
struct ScrollEvent {
    double deltaX = 0;
    double deltaY = 0;
    unsigned modifiers = 0;
    double time = 0;
};

// A step of a pinch: the factor by which the zoom grows in this step, minus one.
struct MagnifyEvent {
    double magnification = 0;
};

// The periodic beat of a gesture under way.
struct TickEvent {
    double time = 0;
};

// The key symbols the editor itself reads.
namespace KeyValues {
inline constexpr uint32_t Escape = 0xff1b;
inline constexpr uint32_t BackSpace = 0xff08;
inline constexpr uint32_t Tab = 0xff09;
inline constexpr uint32_t Return = 0xff0d;
inline constexpr uint32_t LeftTab = 0xfe20;
inline constexpr uint32_t Delete = 0xffff;
inline constexpr uint32_t KeypadEnter = 0xff8d;
inline constexpr uint32_t KeypadDelete = 0xff9f;
inline constexpr uint32_t Home = 0xff50;
inline constexpr uint32_t Left = 0xff51;
inline constexpr uint32_t Up = 0xff52;
inline constexpr uint32_t Right = 0xff53;
inline constexpr uint32_t Down = 0xff54;
inline constexpr uint32_t PageUp = 0xff55;
inline constexpr uint32_t PageDown = 0xff56;
inline constexpr uint32_t End = 0xff57;
inline constexpr uint32_t Plus = 0x2b;
inline constexpr uint32_t Equal = 0x3d;
inline constexpr uint32_t Minus = 0x2d;
inline constexpr uint32_t Digit0 = 0x30;
inline constexpr uint32_t KeypadAdd = 0xffab;
inline constexpr uint32_t KeypadSubtract = 0xffad;
inline constexpr uint32_t Keypad0 = 0xffb0;
} // namespace KeyValues
