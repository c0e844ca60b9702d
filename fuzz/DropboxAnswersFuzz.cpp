#include "dropbox/DropboxAnswers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// Every reader of the file service's answers on the same bytes: none may crash, and what they
// accept must be whole.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    auto check = [&](const DropboxMetadata& metadata) {
        if (metadata.pathDisplay.empty() || metadata.pathDisplay[0] != '/') std::abort();
        if (!metadata.isFolder && metadata.serverModified < 0) std::abort();
    };
    if (auto metadata = DropboxAnswers::readMetadata(text, problem)) check(*metadata);
    if (auto metadata = DropboxAnswers::readWrappedMetadata(text, problem)) check(*metadata);
    if (auto listing = DropboxAnswers::readListing(text, problem)) {
        for (const auto& entry : listing->entries) check(entry);
    }
    if (auto page = DropboxAnswers::readSearchPage(text, problem)) {
        for (const auto& entry : page->matches) check(entry);
        // A page that promises more always says how to ask for it.
        if (page->hasMore && page->cursor.empty()) std::abort();
    }
    if (auto error = DropboxAnswers::readRouteError(text, problem)) {
        if (error->tags.empty() || error->tags.size() > 8) std::abort();
    }
    DropboxAnswers::readAuthErrorTag(text);
    DropboxAnswers::parseServerDate(text);
    return 0;
}
