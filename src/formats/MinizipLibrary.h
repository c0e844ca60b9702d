#pragma once

#include <unzip.h>
#include <zip.h>

#include <string>

// The functions of minizip the archives call, each under its own name.
#define MINIZIP_LIBRARY_FUNCTIONS(X)                                                                                   \
    X(unzOpen64)                                                                                                       \
    X(unzOpen2_64)                                                                                                     \
    X(unzClose)                                                                                                        \
    X(unzGetGlobalInfo64)                                                                                              \
    X(unzGoToFirstFile)                                                                                                \
    X(unzGoToNextFile)                                                                                                 \
    X(unzGetFilePos64)                                                                                                 \
    X(unzGoToFilePos64)                                                                                                \
    X(unzGetCurrentFileInfo64)                                                                                         \
    X(unzOpenCurrentFile)                                                                                              \
    X(unzOpenCurrentFile2)                                                                                             \
    X(unzReadCurrentFile)                                                                                              \
    X(unzCloseCurrentFile)                                                                                             \
    X(zipOpen64)                                                                                                       \
    X(zipOpen2_64)                                                                                                     \
    X(zipOpenNewFileInZip64)                                                                                           \
    X(zipOpenNewFileInZip4_64)                                                                                         \
    X(zipWriteInFileInZip)                                                                                             \
    X(zipCloseFileInZip)                                                                                               \
    X(zipCloseFileInZipRaw64)                                                                                          \
    X(zipClose)

// minizip, reached through the library loaded when an archive is first opened or made. Linked into
// the program, it was loaded and relocated at every start, although a start reads no archive.
struct MinizipLibrary {
#define MINIZIP_LIBRARY_POINTER(name) decltype(&::name) name = nullptr;
    MINIZIP_LIBRARY_FUNCTIONS(MINIZIP_LIBRARY_POINTER)
#undef MINIZIP_LIBRARY_POINTER

    // Loads the library once; nullptr when it or one of its functions is missing, the reason then
    // in loadError().
    static const MinizipLibrary* get();
    static const std::string& loadError();

    // Loads the library of that name into a table of its own; used by get() and by tests.
    static bool load(const char* soname, MinizipLibrary& library, std::string& error);
};
