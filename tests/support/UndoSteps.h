#pragma once

#include "platform/UndoManager.h"

#include <cstddef>

// The steps on the undo stack, counted by taking them all back and doing them again: the map
// ends as it was.
inline size_t undoSteps(UndoManager& undo)
{
    size_t steps = 0;
    for (; undo.canUndo(); ++steps) undo.undo();
    for (size_t i = 0; i < steps; ++i) undo.redo();
    return steps;
}
