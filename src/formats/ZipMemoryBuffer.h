#pragma once

#include <ioapi.h>

#include <cstdint>
#include <vector>

// A zip file held in memory, read and written by minizip through its file-function table.
// minizip seeks back to finish the header of each entry, so writes may overwrite earlier bytes.
struct ZipMemoryBuffer {
    std::vector<uint8_t> bytes;
    uint64_t position = 0;

    // The table whose functions work on this buffer; the buffer must outlive every handle opened
    // with it.
    zlib_filefunc64_def fileFunctions();
};
