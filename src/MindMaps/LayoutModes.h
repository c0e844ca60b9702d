#pragma once

#include <cstdint>
#include <string>

// How the branch below a topic is arranged. Stored per node as a signed 32-bit code.
enum LayoutMode : int32_t {
    LayoutModeFreeForm = 0,
    LayoutModeStrictHorizontal = 1,
    LayoutModeStrictVertical = 2,
    LayoutModeList = 3,
    LayoutModeTopDown = 4,
};

// To which side a strict layouter grows a branch. Stored per node as a signed 32-bit code.
// Only the direction of the topic that carries the mode counts; the branch follows its root.
enum LayoutDirection : int32_t {
    LayoutDirectionAutomatic = 0,
    LayoutDirectionLeft = 1,
    LayoutDirectionRight = 2,
    LayoutDirectionTop = 3,
    LayoutDirectionTopRightToLeft = 4,
    LayoutDirectionBottom = 5,
    LayoutDirectionBottomRightToLeft = 6,
    LayoutDirectionManual = 7,
};

// The direction a node gets when its mode is set: a top-down chart grows downward, every other
// mode (and any unknown code) starts automatic.
int32_t DefaultLayoutDirectionForMode(int32_t mode);

// The user-visible name of a mode from the string table; the empty text for an unknown code.
std::string LayoutModeDisplayName(int32_t mode);

// The user-visible name of a direction from the string table; the empty text for an unknown code.
std::string LayoutDirectionDisplayName(int32_t direction);

// Top-down charts only: siblings ordered right to left.
bool IsRightToLeftDirection(int32_t direction);

// Top-down charts only: the chart grows upward, the children standing above the root.
bool IsTopDirection(int32_t direction);
