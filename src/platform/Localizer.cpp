#include "platform/Localizer.h"

#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace {

using StringTable = std::unordered_map<std::string, std::string>;

std::mutex tableMutex;
std::optional<StringTable> table;

std::string_view trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string unescaped(std::string_view value)
{
    std::string result;
    result.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
            result += '\n';
            ++i;
        } else {
            result += value[i];
        }
    }
    return result;
}

StringTable parseTable(std::string_view text)
{
    StringTable result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') continue;
        // The key ends at the first "=": values may hold "=" themselves.
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        if (key.empty()) continue;
        result[std::string(key)] = unescaped(line.substr(equals + 1));
    }
    return result;
}

const StringTable& loadedTable()
{
    if (!table) {
        const std::string path = Folders::resourcePath("strings/en.strings");
        Error error;
        // Our own table is a few hundred kilobytes; a file far larger is not it.
        if (auto text = readFileText(path, uint64_t(16) << 20, &error)) {
            table = parseTable(*text);
        } else {
            std::fprintf(stderr, "Tarnwick: no string table: %s\n", error.failureReason.c_str());
            table = StringTable();
        }
    }
    return *table;
}

} // namespace

std::string localized(const std::string& key)
{
    std::lock_guard lock(tableMutex);
    const StringTable& strings = loadedTable();
    auto it = strings.find(key);
    return it == strings.end() ? std::string() : it->second;
}

std::string formatText(const std::string& format, const std::vector<std::string>& arguments)
{
    // Longer placeholders first, so that "%ld" is not read as "%l" followed by "d".
    static constexpr std::string_view placeholders[] = {"@", "ld", "lu", "li", "s", "d", "u", "i"};
    std::string result;
    result.reserve(format.size());
    size_t nextArgument = 0;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            result += format[i++];
            continue;
        }
        if (format.compare(i, 2, "%%") == 0) {
            result += '%';
            i += 2;
            continue;
        }
        // A translation may reorder its arguments with positional forms such as "%2$@".
        size_t cursor = i + 1;
        std::optional<size_t> position;
        size_t digitsEnd = cursor;
        while (digitsEnd < format.size() && digitsEnd - cursor < 3 && format[digitsEnd] >= '0' &&
               format[digitsEnd] <= '9')
            ++digitsEnd;
        if (digitsEnd > cursor && digitsEnd < format.size() && format[digitsEnd] == '$' && format[cursor] != '0') {
            position = std::stoul(format.substr(cursor, digitsEnd - cursor)) - 1;
            cursor = digitsEnd + 1;
        }
        const std::string_view rest = std::string_view(format).substr(cursor);
        bool replaced = false;
        for (std::string_view placeholder : placeholders) {
            if (!rest.starts_with(placeholder)) continue;
            const size_t argument = position ? *position : nextArgument++;
            if (argument < arguments.size()) result += arguments[argument];
            i = cursor + placeholder.size();
            replaced = true;
            break;
        }
        if (!replaced) result += format[i++];
    }
    return result;
}

std::string localizedFormat(const std::string& key, const std::vector<std::string>& arguments)
{
    return formatText(localized(key), arguments);
}

void reloadStringTable()
{
    std::lock_guard lock(tableMutex);
    table.reset();
}
