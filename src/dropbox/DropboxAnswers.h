#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the file service answers, read from its JSON. Its answers are outside data: a missing field
// or one of the wrong type gives a text saying what is wrong, never a crash.

struct DropboxMetadata {
    bool isFolder = false;
    std::string name;
    std::string pathDisplay;
    std::string pathLower;
    std::string id;
    // Files only: an opaque revision, compared for equality.
    std::string rev;
    // Files only: the server's date, seconds since 1970 (UTC).
    double serverModified = 0;
    uint64_t size = 0;
};

struct DropboxListing {
    std::vector<DropboxMetadata> entries;
    std::string cursor;
    bool hasMore = false;
};

// One page of a search's matches; the cursor asks for the next while hasMore is set.
struct DropboxSearchPage {
    std::vector<DropboxMetadata> matches;
    std::string cursor;
    bool hasMore = false;
};

// A route's own failure (HTTP 409): the chain of tags, outermost first ("path", "not_found"), and
// the service's summary, which is its description.
struct DropboxRouteError {
    std::vector<std::string> tags;
    std::string summary;

    const std::string& description() const { return summary; }
    // Whether the tags begin with these.
    bool is(const std::string& first, const std::string& second = {}) const;
    bool isNotFound() const;
};

namespace DropboxAnswers {

// One entry of a listing or a route's result ({".tag": "file" | "folder", ...}).
std::optional<DropboxMetadata> readMetadata(const std::string& json, std::string& problem);
// The results of delete_v2, move_v2 and create_folder_v2: metadata wrapped in "metadata".
std::optional<DropboxMetadata> readWrappedMetadata(const std::string& json, std::string& problem);
std::optional<DropboxListing> readListing(const std::string& json, std::string& problem);
// search_v2 and search/continue_v2: each match's metadata, under "metadata" / "metadata". A page
// that says there is more carries the cursor for it.
std::optional<DropboxSearchPage> readSearchPage(const std::string& json, std::string& problem);
std::optional<DropboxRouteError> readRouteError(const std::string& json, std::string& problem);
// The tag of a 401's error ("expired_access_token", "invalid_access_token", ...); empty when none.
std::string readAuthErrorTag(const std::string& json);

// "2015-05-12T15:50:38Z" as seconds since 1970; nullopt when it is not such a date.
std::optional<double> parseServerDate(const std::string& text);

} // namespace DropboxAnswers
