#include "platform/Pasteboard.h"

#include <utility>

namespace {

std::shared_ptr<Pasteboard>& generalPasteboardHolder()
{
    static std::shared_ptr<Pasteboard> pasteboard = std::make_shared<MemoryPasteboard>();
    return pasteboard;
}

size_t s_pendingReads = 0;

} // namespace

size_t Pasteboard::pendingReads()
{
    return s_pendingReads;
}

Pasteboard::PendingRead::PendingRead()
{
    ++s_pendingReads;
}

Pasteboard::PendingRead::~PendingRead()
{
    --s_pendingReads;
}

bool Pasteboard::setString(const std::string& text, const std::string& type)
{
    return setData(std::vector<uint8_t>(text.begin(), text.end()), type);
}

std::optional<std::string> Pasteboard::stringForType(const std::string& type) const
{
    std::optional<std::vector<uint8_t>> data = dataForType(type);
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
}

void Pasteboard::read(const std::vector<std::string>& wanted, const PasteboardRequester& requester,
                      ReadCompletion done) const
{
    MemoryPasteboard contents;
    for (const std::string& type : wanted) {
        std::optional<std::vector<uint8_t>> data = dataForType(type);
        if (!data || data->empty()) continue;
        contents.declareTypes({type});
        contents.setData(*data, type);
        break;
    }
    if (!requester.token().expired()) done(contents);
}

std::optional<std::string> Pasteboard::availableTypeFromArray(const std::vector<std::string>& wanted) const
{
    const std::vector<std::string> declared = types();
    for (const std::string& type : wanted) {
        for (const std::string& offered : declared) {
            if (offered == type) return type;
        }
    }
    return std::nullopt;
}

Pasteboard& Pasteboard::generalPasteboard()
{
    return *generalPasteboardHolder();
}

void Pasteboard::setGeneralPasteboard(std::shared_ptr<Pasteboard> pasteboard)
{
    generalPasteboardHolder() = pasteboard ? std::move(pasteboard) : std::make_shared<MemoryPasteboard>();
}

// ---- MemoryPasteboard ----

int64_t MemoryPasteboard::declareTypes(const std::vector<std::string>& types)
{
    _entries.clear();
    for (const std::string& type : types) {
        if (!entryForType(type)) _entries.push_back(Entry{type, std::nullopt});
    }
    return ++_changeCount;
}

std::vector<std::string> MemoryPasteboard::types() const
{
    std::vector<std::string> result;
    result.reserve(_entries.size());
    for (const Entry& entry : _entries) result.push_back(entry.type);
    return result;
}

bool MemoryPasteboard::setData(const std::vector<uint8_t>& data, const std::string& type)
{
    Entry* entry = entryForType(type);
    if (!entry) return false;
    entry->data = data;
    return true;
}

std::optional<std::vector<uint8_t>> MemoryPasteboard::dataForType(const std::string& type) const
{
    const Entry* entry = entryForType(type);
    return entry ? entry->data : std::nullopt;
}

MemoryPasteboard::Entry* MemoryPasteboard::entryForType(const std::string& type)
{
    for (Entry& entry : _entries) {
        if (entry.type == type) return &entry;
    }
    return nullptr;
}

const MemoryPasteboard::Entry* MemoryPasteboard::entryForType(const std::string& type) const
{
    for (const Entry& entry : _entries) {
        if (entry.type == type) return &entry;
    }
    return nullptr;
}
