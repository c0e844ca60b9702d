#include "GoogleDrive/GDriveAnswers.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <ctime>

using nlohmann::json;

namespace {

constexpr double Seconds1970To2001 = 978307200;

std::optional<json> parseObject(const std::string& text, std::string& problem)
{
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        problem = "Google Drive sent an answer that could not be read.";
        return std::nullopt;
    }
    return document;
}

// false (and problem) when the field is there with another type; absent fields leave value alone.
bool readOptionalString(const json& object, const char* name, std::optional<std::string>& value, std::string& problem)
{
    auto it = object.find(name);
    if (it == object.end() || it->is_null()) return true;
    if (!it->is_string()) {
        problem = std::string("Google Drive's answer has a malformed \"") + name + "\".";
        return false;
    }
    value = it->get<std::string>();
    return true;
}

bool isDigits(const std::string& text)
{
    return !text.empty() && text.size() <= 18 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isLowerHex(const std::string& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::optional<GDriveMetadata> fileFrom(const json& object, std::string& problem)
{
    if (!object.is_object()) {
        problem = "Google Drive sent a file that is not an object.";
        return std::nullopt;
    }
    std::optional<std::string> id;
    std::optional<std::string> mimeType;
    std::optional<std::string> name;
    std::optional<std::string> extension;
    if (!readOptionalString(object, "id", id, problem) || !readOptionalString(object, "mimeType", mimeType, problem) ||
        !readOptionalString(object, "name", name, problem) ||
        !readOptionalString(object, "fileExtension", extension, problem)) {
        return std::nullopt;
    }
    if (!id || !GDriveAnswers::isValidId(*id)) {
        problem = "Google Drive sent a file without a proper id.";
        return std::nullopt;
    }
    const bool isFolder = mimeType && *mimeType == GDriveMetadata::FolderMimeType;
    GDriveMetadata metadata = isFolder ? GDriveMetadata::folder(*id) : GDriveMetadata(*id, extension);
    metadata.name = name.value_or("");
    metadata.mimeType = mimeType.value_or("");
    if (auto trashed = object.find("trashed"); trashed != object.end() && !trashed->is_null()) {
        if (!trashed->is_boolean()) {
            problem = "Google Drive's answer has a malformed \"trashed\".";
            return std::nullopt;
        }
        metadata.trashed = trashed->get<bool>();
    }
    if (auto parents = object.find("parents"); parents != object.end() && !parents->is_null()) {
        if (!parents->is_array()) {
            problem = "Google Drive's answer has a malformed \"parents\".";
            return std::nullopt;
        }
        if (!parents->empty()) {
            const json& first = parents->front();
            if (!first.is_string() || !GDriveAnswers::isValidId(first.get<std::string>())) {
                problem = "Google Drive's answer has a malformed parent.";
                return std::nullopt;
            }
            metadata.parentIdentifier = first.get<std::string>();
        }
    }
    // Drive sends checksum, time and size for folders too; a folder's record has none.
    if (isFolder) return metadata;
    std::optional<std::string> md5;
    std::optional<std::string> modified;
    if (!readOptionalString(object, "md5Checksum", md5, problem) ||
        !readOptionalString(object, "modifiedTime", modified, problem)) {
        return std::nullopt;
    }
    if (md5) {
        for (char& c : *md5) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (md5->size() != 32 || !isLowerHex(*md5)) {
            problem = "Google Drive sent a malformed checksum.";
            return std::nullopt;
        }
        metadata.md5Checksum = md5;
    }
    if (modified) {
        metadata.modifiedTime = GDriveAnswers::parseDate(*modified);
        if (!metadata.modifiedTime) {
            problem = "Google Drive sent a malformed date.";
            return std::nullopt;
        }
    }
    if (auto size = object.find("size"); size != object.end() && !size->is_null()) {
        // Drive sends sizes as strings, since they may exceed what JSON numbers hold exactly.
        if (size->is_string() && isDigits(size->get<std::string>())) {
            metadata.fileSize = std::stoll(size->get<std::string>());
        } else if (size->is_number_unsigned() && size->get<uint64_t>() < (uint64_t(1) << 62)) {
            metadata.fileSize = int64_t(size->get<uint64_t>());
        } else {
            problem = "Google Drive sent a malformed size.";
            return std::nullopt;
        }
    }
    return metadata;
}

int digits(const std::string& text, size_t at, size_t count)
{
    if (at + count > text.size()) return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

namespace GDriveAnswers {

bool isValidId(const std::string& id)
{
    return !id.empty() && id.size() <= 256 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

std::optional<GDriveMetadata> readFile(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    return fileFrom(*document, problem);
}

std::optional<GDriveFileList> readFileList(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    GDriveFileList list;
    std::optional<std::string> token;
    if (!readOptionalString(*document, "nextPageToken", token, problem)) return std::nullopt;
    list.nextPageToken = token.value_or("");
    auto files = document->find("files");
    if (files == document->end() || files->is_null()) return list;
    if (!files->is_array()) {
        problem = "Google Drive sent a malformed file list.";
        return std::nullopt;
    }
    list.files.reserve(files->size());
    for (const json& entry : *files) {
        auto file = fileFrom(entry, problem);
        if (!file) return std::nullopt;
        list.files.push_back(std::move(*file));
    }
    return list;
}

std::optional<std::vector<std::string>> readGeneratedIds(const std::string& text, std::string& problem)
{
    auto document = parseObject(text, problem);
    if (!document) return std::nullopt;
    auto ids = document->find("ids");
    if (ids == document->end() || !ids->is_array()) {
        problem = "Google Drive sent no ids.";
        return std::nullopt;
    }
    std::vector<std::string> result;
    for (const json& id : *ids) {
        if (!id.is_string() || !isValidId(id.get<std::string>())) {
            problem = "Google Drive sent a malformed id.";
            return std::nullopt;
        }
        result.push_back(id.get<std::string>());
    }
    return result;
}

std::optional<GDriveStructuredError> readStructuredError(const std::string& text)
{
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    auto error = document.find("error");
    if (error == document.end() || !error->is_object()) return std::nullopt;
    GDriveStructuredError result;
    auto message = error->find("message");
    auto code = error->find("code");
    if (message == error->end() || !message->is_string() || code == error->end() || !code->is_number_integer()) {
        return std::nullopt;
    }
    result.message = message->get<std::string>();
    const int64_t value = code->get<int64_t>();
    if (value < 0 || value > 999) return std::nullopt;
    result.code = long(value);
    if (auto errors = error->find("errors"); errors != error->end() && errors->is_array() && !errors->empty()) {
        const json& first = errors->front();
        if (first.is_object()) {
            if (auto reason = first.find("reason"); reason != first.end() && reason->is_string()) {
                result.reason = reason->get<std::string>();
            }
        }
    }
    if (result.reason.empty()) {
        // The newer shape names the reason in "details".
        if (auto status = error->find("status"); status != error->end() && status->is_string()) {
            if (status->get<std::string>() == "RESOURCE_EXHAUSTED") result.reason = "rateLimitExceeded";
        }
    }
    return result;
}

bool readTokenError(const std::string& text, std::string& error, std::string& description)
{
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) return false;
    auto errorField = document.find("error");
    auto descriptionField = document.find("error_description");
    bool found = false;
    if (errorField != document.end() && errorField->is_string()) {
        error = errorField->get<std::string>();
        found = true;
    }
    if (descriptionField != document.end() && descriptionField->is_string()) {
        description = descriptionField->get<std::string>();
        found = true;
    }
    return found;
}

std::optional<double> parseDate(const std::string& text)
{
    // YYYY-MM-DDTHH:MM:SS[.fraction](Z|+HH:MM|-HH:MM)
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60 || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != 't') || text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    size_t at = 19;
    double fraction = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        double scale = 0.1;
        size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            fraction += (text[at] - '0') * scale;
            scale /= 10;
            ++at;
        }
        if (at == start || at - start > 12) return std::nullopt;
    }
    if (at >= text.size()) return std::nullopt;
    int offset = 0;
    if (text[at] == 'Z' || text[at] == 'z') {
        ++at;
    } else if (text[at] == '+' || text[at] == '-') {
        const int offsetHour = digits(text, at + 1, 2);
        const int offsetMinute = digits(text, at + 4, 2);
        if (offsetHour < 0 || offsetHour > 23 || offsetMinute < 0 || offsetMinute > 59 || text[at + 3] != ':') {
            return std::nullopt;
        }
        offset = (offsetHour * 60 + offsetMinute) * 60 * (text[at] == '-' ? -1 : 1);
        at += 6;
    } else {
        return std::nullopt;
    }
    if (at != text.size()) return std::nullopt;
    tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    const time_t seconds = timegm(&parts);
    return double(seconds) - offset + fraction - Seconds1970To2001;
}

std::string formatDate(double secondsSince2001)
{
    const double since1970 = secondsSince2001 + Seconds1970To2001;
    double whole = std::floor(since1970);
    int milliseconds = int(std::lround((since1970 - whole) * 1000));
    if (milliseconds == 1000) {
        whole += 1;
        milliseconds = 0;
    }
    const time_t seconds = time_t(whole);
    tm parts{};
    gmtime_r(&seconds, &parts);
    char text[80];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, milliseconds);
    return text;
}

} // namespace GDriveAnswers
