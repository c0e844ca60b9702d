#include "ArchiveTestSupport.h"

#include "support/TempDir.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace ArchiveTest {

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

std::string textOf(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

CommandResult runCommand(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, count);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool toolAvailable(const char* path)
{
    return access(path, X_OK) == 0;
}

namespace {

std::string hexOf(std::string_view bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

uint16_t readUInt16(const Bytes& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void patchUInt32(Bytes& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

bool writePythonZip(const std::string& path, const std::vector<PythonEntry>& entries)
{
    TempDir scratch;
    std::ostringstream script;
    script << "import sys, zipfile\n"
           << "entries = [\n";
    for (const auto& entry : entries) {
        script << "  ('" << hexOf(entry.name) << "', '"
               << hexOf(std::string_view(reinterpret_cast<const char*>(entry.data.data()), entry.data.size())) << "', "
               << (entry.stored ? "True" : "False") << "),\n";
    }
    script << "]\n"
           << "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
           << "  for name, data, stored in entries:\n"
           << "    info = zipfile.ZipInfo(bytes.fromhex(name).decode('utf-8'), date_time=(2020, 1, 2, 3, 4, 6))\n"
           << "    info.compress_type = zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED\n"
           << "    z.writestr(info, bytes.fromhex(data))\n";
    writeTestFile(scratch.file("make.py"), script.str());
    const auto result =
        runCommand(std::string(PythonTool) + " " + shellQuoted(scratch.file("make.py")) + " " + shellQuoted(path));
    return result.status == 0;
}

std::optional<SingleEntryLayout> singleEntryLayout(const Bytes& zip)
{
    if (zip.size() < 30 || readUInt32(zip, 0) != 0x04034b50) return std::nullopt;
    SingleEntryLayout layout;
    layout.data = 30 + readUInt16(zip, 26) + readUInt16(zip, 28);
    for (size_t i = zip.size() - 4; i > 0; --i) {
        if (readUInt32(zip, i) == 0x02014b50) {
            layout.central = i;
            return layout;
        }
    }
    return std::nullopt;
}

uint32_t readUInt32(const Bytes& bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | (uint32_t(bytes[offset + 1]) << 8) | (uint32_t(bytes[offset + 2]) << 16) |
        (uint32_t(bytes[offset + 3]) << 24);
}

void setDirectorySizes(Bytes& zip, uint32_t size)
{
    for (size_t i = 0; i + 46 <= zip.size(); ++i) {
        if (readUInt32(zip, i) == 0x02014b50) patchUInt32(zip, i + 24, size);
    }
}

void setDeclaredSize(Bytes& zip, uint32_t size)
{
    const auto layout = singleEntryLayout(zip);
    if (!layout) return;
    patchUInt32(zip, layout->local + 22, size);
    patchUInt32(zip, layout->central + 24, size);
}

} // namespace ArchiveTest
