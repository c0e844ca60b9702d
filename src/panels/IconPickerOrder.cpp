#include "panels/IconPickerOrder.h"

#include "platform/FileUtils.h"
#include "platform/PropertyList.h"

#include <set>

std::vector<std::string> parseIconOrder(const std::vector<uint8_t>& data)
{
    const std::optional<PropertyList> list = PropertyList::fromData(data);
    const PropertyList::Array* array = list ? list->arrayValue() : nullptr;
    if (!array) return {};
    std::vector<std::string> hashes;
    hashes.reserve(array->size());
    for (const PropertyList& entry : *array) {
        // One entry of another type means the file is not ours to trust.
        if (entry.type() != PropertyList::Type::String) return {};
        hashes.push_back(entry.stringValue());
    }
    return hashes;
}

std::vector<std::string> readIconOrderFile(const std::string& path)
{
    // A list of picture hashes: even tens of thousands of icons take a few megabytes.
    const std::optional<std::vector<uint8_t>> data = readFileData(path, uint64_t(16) << 20);
    return data ? parseIconOrder(*data) : std::vector<std::string>{};
}

bool writeIconOrderFile(const std::string& path, const std::vector<std::string>& hashes, Error* error)
{
    PropertyList::Array array(hashes.begin(), hashes.end());
    return writeFileAtomically(path, PropertyList(std::move(array)).toData(), error);
}

std::vector<std::string> mergeIconOrder(std::vector<std::string> order, const std::vector<std::string>& present)
{
    const std::set<std::string> presentSet(present.begin(), present.end());
    // From the end, so that removing never shifts an entry still to be looked at.
    for (size_t index = order.size(); index-- > 0;)
        if (!presentSet.count(order[index])) order.erase(order.begin() + std::ptrdiff_t(index));
    // A hash twice in the file would show one icon in two cells; the first place counts.
    std::set<std::string> listed;
    std::vector<std::string> merged;
    merged.reserve(present.size());
    for (std::string& hash : order)
        if (listed.insert(hash).second) merged.push_back(std::move(hash));
    for (const std::string& hash : present)
        if (listed.insert(hash).second) merged.push_back(hash);
    return merged;
}
