#include "FuzzHome.h"

#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StylePresets.h"
#include "formats/TwkxMindMapReader.h"
#include "support/FakeTextMeasurer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const uint8_t* data, size_t size)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

// A collection reads the file; whatever it holds then writes a file that reads back into the
// very same file.
void checkPresets(StylePresets& presets, const uint8_t* data, size_t size)
{
    const fs::path file = presets.fileName();
    writeFile(file, data, size);
    presets.loadFromFile();
    const std::string first = presets.presetsFileText();
    if (first.empty()) std::abort();
    std::ofstream(file, std::ios::binary) << first;
    presets.loadFromFile();
    if (presets.presetsFileText() != first) std::abort();
}

} // namespace

// Reads arbitrary bytes as the files the user's folder holds: each presets collection's file,
// and a custom style file brought into the styles folder (as an import does).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path folder = [] {
        static FakeTextMeasurer measurer;
        TextMeasurer::setShared(&measurer);
        // The files are written and read through the native format's style elements.
        registerNativeFormat();
        const fs::path path = StylePresets::presetsDirectory();
        fs::create_directories(path);
        CustomStyleSheet::loadCustomStylesFromDirectory(path.string());
        return path;
    }();

    checkPresets(TextStylePresets::textStylePresets(), data, size);
    checkPresets(NodeStylePresets::nodeStylePresets(), data, size);
    checkPresets(RelationStylePresets::relationStylePresets(), data, size);

    const fs::path styleFile = folder / "Fuzzed.twkstyle";
    writeFile(styleFile, data, size);
    if (const auto sheet = CustomStyleSheet::customStyleImported(styleFile.string())) {
        StyleManager::styleManager().unregisterStyle(sheet.get());
    }
    std::error_code ignored;
    fs::remove(styleFile, ignored);
    return 0;
}
