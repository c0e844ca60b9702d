// Peak memory of importing a large plain-text outline into the store, the road a file opened from
// the command line or the desktop takes. Not a Google Benchmark: the figure is the process's peak
// resident size, which only a process of its own measures.
//
//   tarnwick_import_memory [megabytes] [line length | stairs]   (default 20 MB, an outline)
//
// With a line length, the text is flat lines of that many characters instead of an outline: 1
// gives the most topics a size allows, a large one the longest texts. "stairs" puts each line one
// tab deeper than the one before: the deepest map a size allows.
// Prints the outline's size and topic count, the peak resident size before and after the import,
// and the time the import took.

#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/FileUtils.h"
#include "platform/UserDefaults.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A tab-indented outline of at most the given size: every topic has four to eight children, filled
// breadth first, written depth first; texts of 5 to 40 characters of ordinary words, as the
// benchmarks' maps have them.
std::string outlineText(size_t bytes, size_t& topics)
{
    static const char* const words[] = {"plan",   "budget", "review", "idea", "task",   "goal",   "risk", "team",
                                        "launch", "draft",  "notes",  "open", "market", "design", "test"};
    std::mt19937 random(20240601);
    std::uniform_int_distribution<size_t> length(5, 40);
    std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
    std::uniform_int_distribution<int> branching(4, 8);
    auto text = [&] {
        const size_t wanted = length(random);
        std::string line;
        while (line.size() < wanted) {
            if (!line.empty()) line += ' ';
            line += words[pick(random)];
        }
        line.resize(wanted);
        return line;
    };
    std::string outline;
    topics = 0;
    // Depth first: each frame is a level and the number of children still to write there.
    std::vector<int> pending{std::numeric_limits<int>::max()};
    while (outline.size() < bytes && !pending.empty()) {
        if (pending.back() == 0) {
            pending.pop_back();
            continue;
        }
        --pending.back();
        std::string line(pending.size() - 1, '\t');
        line += text();
        line += '\n';
        if (outline.size() + line.size() > bytes) break;
        outline += line;
        ++topics;
        // Five levels below each top-level topic.
        if (pending.size() < 6) pending.push_back(branching(random));
    }
    return outline;
}

// Flat lines of the given length, each a topic of its own.
std::string flatText(size_t bytes, size_t lineLength, size_t& topics)
{
    std::string line(lineLength, 'w');
    for (size_t i = 5; i < lineLength; i += 6) line[i] = ' ';
    line += '\n';
    std::string text;
    topics = bytes / line.size();
    text.reserve(topics * line.size());
    for (size_t i = 0; i < topics; ++i) text += line;
    return text;
}

// Each line a tab deeper than the one before.
std::string stairsText(size_t bytes, size_t& topics)
{
    std::string text;
    topics = 0;
    for (std::string line = "step\n"; text.size() + line.size() <= bytes; line.insert(0, 1, '\t')) {
        text += line;
        ++topics;
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    const double megabytes = argc > 1 ? std::strtod(argv[1], nullptr) : 20;
    char pattern[] = "/tmp/tarnwick-import-memory-XXXXXX";
    const std::string root = mkdtemp(pattern);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    UserDefaults::standard().resetForTesting();
    registerNativeFormat();
    registerForeignFormats();

    const std::string shape = argc > 2 ? argv[2] : "";
    const size_t lineLength = static_cast<size_t>(std::strtoul(shape.c_str(), nullptr, 10));
    size_t topics = 0;
    const std::string path = root + "/Outline.txt";
    {
        const auto bytes = static_cast<size_t>(megabytes * 1024 * 1024);
        const std::string outline = shape == "stairs" ? stairsText(bytes, topics)
            : lineLength > 0                          ? flatText(bytes, lineLength, topics)
                                                      : outlineText(bytes, topics);
        writeFileAtomically(path, outline);
    }
    const double before = peakMegabytes();
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    const auto start = std::chrono::steady_clock::now();
    Error error;
    MindMapInfoItem* item = store->importMindMapFile(path, &error);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double after = peakMegabytes();
    std::error_code ec;

    std::printf("outline: %.1f MB, %zu topics\n", static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0), topics);
    if (item) {
        std::printf("imported in %.2f s, stored document %.1f MB\n", seconds,
                    static_cast<double>(fs::file_size(item->mindMapFilePath(), ec)) / (1024.0 * 1024.0));
    } else
        std::printf("refused in %.2f s: %s %s\n", seconds, error.localizedDescription.c_str(),
                    error.failureReason.c_str());
    std::printf("peak resident size: %.0f MB before the import, %.0f MB after\n", before, after);
    MindMapStore::releaseMindMapStoreInstance();
    fs::remove_all(root, ec);
    return item ? 0 : 1;
}
