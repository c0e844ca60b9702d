#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    _path = pattern;
    _owner = getpid();
}

TempDir::~TempDir()
{
    if (getpid() != _owner) return;
    std::error_code ec;
    std::filesystem::remove_all(_path, ec);
}

void writeTestFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

bool makeSparseFile(const std::string& path, uint64_t size)
{
    std::ofstream(path).close();
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

std::string readTestFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
