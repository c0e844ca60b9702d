#pragma once

// Every fuzz target has this included first (fuzz/CMakeLists.txt): before anything runs, the
// process gets a home, data, config and cache folder of its own in a new temporary folder (under
// TMPDIR), so that nothing an input makes (a style file a document carries, a store, settings)
// reaches the user's folders or another run's. Whatever a target writes goes below folder(). The
// folder is removed when the run ends; scripts/fuzz.sh removes what a run that crashed left.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzhome {

inline std::filesystem::path& folder()
{
    static std::filesystem::path path;
    return path;
}

inline void removeFolder()
{
    std::error_code ignored;
    if (!folder().empty()) std::filesystem::remove_all(folder(), ignored);
}

inline bool prepare()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    folder() = pattern;
    const std::string home = folder().string();
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
    std::atexit(removeFolder);
    return true;
}

inline const bool prepared = prepare();

} // namespace fuzzhome
