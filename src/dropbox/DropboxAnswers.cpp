#include "dropbox/DropboxAnswers.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ctime>

using nlohmann::json;

namespace {

std::optional<json> parseObject(const std::string& text, std::string& problem)
{
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        problem = "The file service sent an answer that could not be read.";
        return std::nullopt;
    }
    return document;
}

bool readString(const json& object, const char* name, std::string& value, std::string& problem, bool required = true)
{
    auto it = object.find(name);
    if (it == object.end()) {
        if (required) problem = std::string("The file service's answer lacks \"") + name + "\".";
        return !required;
    }
    if (!it->is_string()) {
        problem = std::string("The file service's answer has a malformed \"") + name + "\".";
        return false;
    }
    value = it->get<std::string>();
    return true;
}

std::optional<DropboxMetadata> metadataFrom(const json& object, std::string& problem)
{
    if (!object.is_object()) {
        problem = "The file service sent an entry that is not an object.";
        return std::nullopt;
    }
    std::string tag;
    if (!readString(object, ".tag", tag, problem)) return std::nullopt;
    if (tag != "file" && tag != "folder") {
        problem = "The file service sent an entry of an unknown kind.";
        return std::nullopt;
    }
    DropboxMetadata metadata;
    metadata.isFolder = tag == "folder";
    if (!readString(object, "name", metadata.name, problem) ||
        !readString(object, "path_display", metadata.pathDisplay, problem) ||
        !readString(object, "path_lower", metadata.pathLower, problem, false) ||
        !readString(object, "id", metadata.id, problem, false)) {
        return std::nullopt;
    }
    if (metadata.pathDisplay.empty() || metadata.pathDisplay[0] != '/') {
        problem = "The file service sent a path that is not absolute.";
        return std::nullopt;
    }
    if (metadata.isFolder) return metadata;
    std::string modified;
    if (!readString(object, "rev", metadata.rev, problem) ||
        !readString(object, "server_modified", modified, problem)) {
        return std::nullopt;
    }
    auto date = DropboxAnswers::parseServerDate(modified);
    if (!date) {
        problem = "The file service sent a malformed date.";
        return std::nullopt;
    }
    metadata.serverModified = *date;
    auto size = object.find("size");
    if (size == object.end() || !size->is_number_unsigned()) {
        problem = "The file service sent a file without a proper size.";
        return std::nullopt;
    }
    metadata.size = size->get<uint64_t>();
    return metadata;
}

} // namespace

bool DropboxRouteError::is(const std::string& first, const std::string& second) const
{
    if (tags.empty() || tags[0] != first) return false;
    return second.empty() || (tags.size() > 1 && tags[1] == second);
}

bool DropboxRouteError::isNotFound() const
{
    return tags.size() > 1 && tags[1] == "not_found";
}

namespace DropboxAnswers {

std::optional<double> parseServerDate(const std::string& text)
{
    int year, month, day, hour, minute, second;
    char zone = 0;
    int consumed = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &year, &month, &day, &hour, &minute, &second, &zone,
                    &consumed) != 7 ||
        consumed != 20 || zone != 'Z') {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 || year < 1970) {
        return std::nullopt;
    }
    tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return double(timegm(&parts));
}

std::optional<DropboxMetadata> readMetadata(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    return metadataFrom(*document, problem);
}

std::optional<DropboxMetadata> readWrappedMetadata(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    auto metadata = document->find("metadata");
    if (metadata == document->end()) {
        problem = "The file service's answer lacks \"metadata\".";
        return std::nullopt;
    }
    return metadataFrom(*metadata, problem);
}

std::optional<DropboxListing> readListing(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    DropboxListing listing;
    auto entries = document->find("entries");
    auto more = document->find("has_more");
    if (entries == document->end() || !entries->is_array() || more == document->end() || !more->is_boolean()) {
        problem = "The file service sent a listing without entries.";
        return std::nullopt;
    }
    if (!readString(*document, "cursor", listing.cursor, problem)) return std::nullopt;
    listing.hasMore = more->get<bool>();
    for (const json& entry : *entries) {
        // A deleted entry of a listing is not an item.
        if (entry.is_object() && entry.value(".tag", "") == "deleted") continue;
        auto metadata = metadataFrom(entry, problem);
        if (!metadata) return std::nullopt;
        listing.entries.push_back(std::move(*metadata));
    }
    return listing;
}

std::optional<DropboxSearchPage> readSearchPage(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    auto matches = document->find("matches");
    if (matches == document->end() || !matches->is_array()) {
        problem = "The file service sent search results without matches.";
        return std::nullopt;
    }
    DropboxSearchPage page;
    auto more = document->find("has_more");
    page.hasMore = more != document->end() && more->is_boolean() && more->get<bool>();
    if (!readString(*document, "cursor", page.cursor, problem, page.hasMore)) return std::nullopt;
    if (page.hasMore && page.cursor.empty()) {
        problem = "The file service sent more search results without a way to ask for them.";
        return std::nullopt;
    }
    std::vector<DropboxMetadata>& found = page.matches;
    for (const json& match : *matches) {
        auto outer = match.is_object() ? match.find("metadata") : match.end();
        if (!match.is_object() || outer == match.end() || !outer->is_object()) {
            problem = "The file service sent a search match without metadata.";
            return std::nullopt;
        }
        auto inner = outer->find("metadata");
        if (inner == outer->end()) {
            problem = "The file service sent a search match without metadata.";
            return std::nullopt;
        }
        auto metadata = metadataFrom(*inner, problem);
        if (!metadata) return std::nullopt;
        found.push_back(std::move(*metadata));
    }
    return page;
}

std::optional<DropboxRouteError> readRouteError(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    DropboxRouteError error;
    if (!readString(*document, "error_summary", error.summary, problem)) return std::nullopt;
    auto it = document->find("error");
    if (it == document->end() || !it->is_object()) {
        problem = "The file service sent an error without its kind.";
        return std::nullopt;
    }
    // Follow the chain of tags: {".tag": "path", "path": {".tag": "not_found"}}. Upload errors keep
    // the inner tag under "reason" beside their own fields.
    const json* level = &*it;
    for (int depth = 0; depth < 8 && level->is_object(); ++depth) {
        auto tag = level->find(".tag");
        if (tag == level->end() || !tag->is_string()) break;
        std::string name = tag->get<std::string>();
        error.tags.push_back(name);
        auto next = level->find(name);
        if (next == level->end()) next = level->find("reason");
        if (next == level->end() || !next->is_object()) break;
        level = &*next;
    }
    if (error.tags.empty()) {
        problem = "The file service sent an error without its kind.";
        return std::nullopt;
    }
    return error;
}

std::string readAuthErrorTag(const std::string& text)
{
    std::string problem;
    auto error = readRouteError(text, problem);
    return error && !error->tags.empty() ? error->tags[0] : std::string();
}

} // namespace DropboxAnswers
