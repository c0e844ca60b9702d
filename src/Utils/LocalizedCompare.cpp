#include "Utils/LocalizedCompare.h"

#include "Utils/StringUtils.h"

#include <unicode/coll.h>
#include <unicode/unistr.h>

#include <memory>
#include <vector>

namespace {

// Made per thread: a collator may not be used by two threads at once.
icu::Collator* standardCollator()
{
    thread_local std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale::getDefault(), status));
        if (U_FAILURE(status)) return std::unique_ptr<icu::Collator>();
        made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        return made;
    }();
    return collator.get();
}

} // namespace

std::string localizedStandardSortKey(std::string_view text)
{
    icu::Collator* collator = standardCollator();
    if (!collator) return lowercased(text);
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    uint8_t buffer[256];
    int32_t length = collator->getSortKey(unicode, buffer, sizeof buffer);
    if (length <= static_cast<int32_t>(sizeof buffer))
        return std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
    std::vector<uint8_t> large(static_cast<size_t>(length));
    length = collator->getSortKey(unicode, large.data(), length);
    return std::string(reinterpret_cast<const char*>(large.data()), static_cast<size_t>(length));
}

int localizedStandardCompare(std::string_view text, std::string_view other)
{
    icu::Collator* collator = standardCollator();
    if (!collator) {
        const int order = lowercased(text).compare(lowercased(other));
        return (order > 0) - (order < 0);
    }
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result =
        collator->compareUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())),
                              icu::StringPiece(other.data(), static_cast<int32_t>(other.size())), status);
    if (U_FAILURE(status)) return 0;
    return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
}
