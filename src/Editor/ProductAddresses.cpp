#include "Editor/ProductAddresses.h"

#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <cctype>

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

} // namespace

bool ProductAddresses::isWebAddress(std::string_view value)
{
    std::string_view rest;
    if (startsWith(value, "https://")) rest = value.substr(8);
    else if (startsWith(value, "http://")) rest = value.substr(7);
    else return false;
    // A host first: "https:///x" and "https://?q" name none.
    if (rest.empty() || rest.front() == '/' || rest.front() == '?' || rest.front() == '#') return false;
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f || c == '"' || c == '<' || c == '>' || c == '\\' || c == '`') return false;
    }
    return true;
}

bool ProductAddresses::isMailAddress(std::string_view value)
{
    const size_t at = value.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 >= value.size()) return false;
    if (value.find('@', at + 1) != std::string_view::npos) return false;
    for (char c : value) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
            c == '-' || c == '_' || c == '+' || c == '@';
        if (!plain) return false;
    }
    const std::string_view domain = value.substr(at + 1);
    return domain.front() != '.' && domain.back() != '.' && domain.find('.') != std::string_view::npos;
}

ProductAddresses ProductAddresses::parse(std::string_view text)
{
    ProductAddresses addresses;
    struct Field {
        std::string_view key;
        std::string ProductAddresses::*value;
        bool mail;
    };
    static const Field fields[] = {
        {"faq", &ProductAddresses::faq, false},
        {"home-page", &ProductAddresses::homePage, false},
        {"editor-help", &ProductAddresses::editorHelp, false},
        {"new-features", &ProductAddresses::newFeatures, false},
        {"video-channel", &ProductAddresses::videoChannel, false},
        {"support-mail", &ProductAddresses::supportMail, true},
    };
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() > MaximumLineLength) continue;
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') continue;
        const size_t equals = content.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(content.substr(0, equals));
        const std::string_view value = trimmed(content.substr(equals + 1));
        for (const Field& field : fields) {
            if (field.key != key) continue;
            const bool valid = field.mail ? isMailAddress(value) : isWebAddress(value);
            addresses.*field.value = valid ? std::string(value) : std::string();
        }
    }
    return addresses;
}

std::string ProductAddresses::installedPath()
{
    return Folders::resourcePath(ResourcePath);
}

ProductAddresses ProductAddresses::loadInstalled()
{
    // A resource file of ours is small; one far larger was replaced, and is not read.
    constexpr uint64_t MaximumFileSize = 64 * 1024;
    const std::optional<std::string> text = readFileText(installedPath(), MaximumFileSize);
    return text ? parse(*text) : ProductAddresses();
}
