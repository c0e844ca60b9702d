#pragma once

#include <string>
#include <string_view>

// The product's web pages and support mail address, read from a resource file so that a
// distribution can point them elsewhere: one "key = value" a line, "#" comment lines. Every value
// is checked as it is read; one that is missing or fails its check reads as empty, and the action
// that needs it says so instead of opening something else.
struct ProductAddresses {
    static constexpr const char* ResourcePath = "config/product-addresses.conf";
    // Lines beyond this length are ignored: no address of ours comes near it.
    static constexpr size_t MaximumLineLength = 2048;

    std::string faq;
    std::string homePage;
    std::string editorHelp;
    std::string newFeatures;
    std::string videoChannel;
    std::string supportMail;

    // Unknown keys, lines without "=" and values that fail their check are passed over.
    static ProductAddresses parse(std::string_view text);
    // The installed resource file; all empty when it cannot be read.
    static ProductAddresses loadInstalled();
    static std::string installedPath();

    // An http or https address with a host and nothing that could end or split it on its way to
    // the browser (blanks, controls, quotes, angle brackets, backslashes).
    static bool isWebAddress(std::string_view value);
    // local@domain of plain address characters: nothing that would reach a mailto URI as a header
    // or a second recipient.
    static bool isMailAddress(std::string_view value);
};
