#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// How deeply a map's topics may nest. A map is at most MaximumLevels topics deep: a central theme
// and, below it, topics down to level MaximumLevels - 1. Every road a document comes in by (a file
// of any format, a container, the clipboard, pasted text, a store archive, an upload, a cloud
// copy) measures its depth before a single topic is made and refuses a deeper one; within the
// limit every walk over the tree stays short and linear.
//
// The limit is far beyond any map made by hand or imported from an outline, and low enough that
// what grows with the depth of each topic (auto-number labels hold a number per level; views
// that find a row by its path through the tree) stays cheap at the limit.
class TopicDepthLimit {
public:
    static constexpr size_t MaximumLevels = 2000;
    // The code of a refused document, in the application's domain.
    static constexpr int64_t RefusedErrorCode = 43;

    // Whether a tree of that many levels may be read; when not, the error gives the levels and
    // the limit.
    static bool acceptsLevels(size_t levels, Error* error = nullptr);
    // The same for topics added under a topic of the given level, with the reason an addition
    // gives; for none (-1: new central themes) as acceptsLevels.
    static bool acceptsLevelsBelow(int64_t parentLevel, size_t levels, Error* error = nullptr);

    // The levels of the trees that topics make when they are linked as the readers of the
    // documents that name each topic's parent by id link them: topic by topic in order, each to
    // the first topic holding the id it names as its parent (negative ids name none), except that
    // a link that would close a circle is left out and its topic stays a central theme. Linear in
    // the number of topics, however they nest or loop.
    static size_t linkedLevels(const std::vector<int64_t>& ids, const std::vector<int64_t>& parentIds);
};
