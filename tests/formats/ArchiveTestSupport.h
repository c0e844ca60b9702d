#pragma once

#include "support/ScopedEnvironment.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Helpers for the archive tests: bytes, outside tools, hand-made and hand-damaged zip files.
namespace ArchiveTest {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(std::string_view text);
std::string textOf(const Bytes& bytes);
Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, const Bytes& bytes);

std::string shellQuoted(const std::string& text);

struct CommandResult {
    int status = -1;
    std::string output; // standard output and standard error
};
CommandResult runCommand(const std::string& command);

// The outside tools the tests compare with: Info-ZIP's zip and unzip, and Python's zipfile.
inline constexpr const char* UnzipTool = "/usr/bin/unzip";
inline constexpr const char* PythonTool = "/usr/bin/python3";
bool toolAvailable(const char* path);

// An entry for writePythonZip: stored entries keep their bytes as they are, so that a test can
// damage them where it likes.
struct PythonEntry {
    std::string name;
    Bytes data;
    bool stored = false;
};
// Writes a zip file with Python's zipfile module, every entry dated 2020-01-02 03:04:06.
bool writePythonZip(const std::string& path, const std::vector<PythonEntry>& entries);

// Offsets into a zip holding exactly one entry, as Python and minizip write them.
struct SingleEntryLayout {
    size_t local = 0;   // the local header
    size_t data = 0;    // the entry's data
    size_t central = 0; // the central directory header
};
std::optional<SingleEntryLayout> singleEntryLayout(const Bytes& zip);

uint32_t readUInt32(const Bytes& bytes, size_t offset);

// Sets the uncompressed size in both headers of a single-entry zip, so that the headers agree
// and only the data can tell the lie.
void setDeclaredSize(Bytes& zip, uint32_t size);

// Sets the uncompressed size every central directory header declares, leaving the data and the
// local headers alone: what an archive claims before anything of it is read.
void setDirectorySizes(Bytes& zip, uint32_t size);

using ::ScopedTimeZone;

} // namespace ArchiveTest
