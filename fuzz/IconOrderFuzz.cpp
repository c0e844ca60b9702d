#include "FuzzHome.h"

#include "panels/IconPickerOrder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

// Reads arbitrary bytes as the saved order of the user's icons and merges it with the hashes a
// store holds. Whatever the file says, every stored icon shows exactly once and nothing else
// shows; the saved entries keep their relative order; the merged order written and read back is
// the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> saved = parseIconOrder(std::vector<uint8_t>(data, data + size));
    // A few hashes that the input is likely to name, and one it is not.
    std::vector<std::string> present = {"a", "b", "0123456789abcdef0123456789abcdef01234567", "zz"};
    if (!saved.empty()) present.push_back(saved.front());
    if (saved.size() > 2) present.push_back(saved[saved.size() / 2]);
    const std::set<std::string> presentSet(present.begin(), present.end());

    const std::vector<std::string> merged = mergeIconOrder(saved, present);
    if (std::set<std::string>(merged.begin(), merged.end()) != presentSet) std::abort();
    if (merged.size() != presentSet.size()) std::abort();
    // The saved entries that survive come first, in their saved order.
    size_t next = 0;
    for (const std::string& hash : saved) {
        if (!presentSet.count(hash)) continue;
        size_t at = next;
        while (at < merged.size() && merged[at] != hash) ++at;
        // A repeat of an entry placed already is skipped.
        if (at == merged.size()) continue;
        if (at != next) std::abort();
        ++next;
    }

    static const std::string file = fuzzhome::folder().string() + "/custom-icons-order.plist";
    if (!writeIconOrderFile(file, merged)) std::abort();
    if (readIconOrderFile(file) != merged) std::abort();
    return 0;
}
