#pragma once

#include <tiffio.h>

#include <string>

// libtiff's functions, reached through the library loaded on first use. Linked into the program,
// libtiff and the five codec libraries under it were loaded and relocated at every start,
// although only an export as TIFF needs them.
struct TiffLibrary {
    TIFFOpenOptions* (*openOptionsAlloc)();
    void (*openOptionsFree)(TIFFOpenOptions* options);
    void (*openOptionsSetErrorHandlerExtR)(TIFFOpenOptions* options, TIFFErrorHandlerExtR handler, void* data);
    void (*openOptionsSetWarningHandlerExtR)(TIFFOpenOptions* options, TIFFErrorHandlerExtR handler, void* data);
    TIFF* (*clientOpenExt)(const char* name, const char* mode, thandle_t handle, TIFFReadWriteProc read,
                           TIFFReadWriteProc write, TIFFSeekProc seek, TIFFCloseProc close, TIFFSizeProc size,
                           TIFFMapFileProc map, TIFFUnmapFileProc unmap, TIFFOpenOptions* options);
    int (*setField)(TIFF* tiff, uint32_t tag, ...);
    uint32_t (*defaultStripSize)(TIFF* tiff, uint32_t request);
    int (*writeScanline)(TIFF* tiff, void* buffer, uint32_t row, uint16_t sample);
    int (*flush)(TIFF* tiff);
    void (*close)(TIFF* tiff);

    // Loads the library once; nullptr when it or one of its functions is missing, the reason then
    // in loadError().
    static const TiffLibrary* get();
    static const std::string& loadError();

    // Loads the library of that name into a table of its own; used by get() and by tests.
    static bool load(const char* soname, TiffLibrary& library, std::string& error);
};
