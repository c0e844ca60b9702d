#include "FuzzHome.h"

#include "platform/PropertyList.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Equal, but for dates: XML carries whole seconds only, and dates out of the writable range are
// written in range.
bool sameButDates(const PropertyList& a, const PropertyList& b)
{
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case PropertyList::Type::Date:
        return true;
    case PropertyList::Type::Real:
        return a == b || (std::isnan(a.realValue()) && std::isnan(b.realValue()));
    case PropertyList::Type::Array: {
        const auto& left = *a.arrayValue();
        const auto& right = *b.arrayValue();
        if (left.size() != right.size()) return false;
        for (size_t i = 0; i < left.size(); ++i) {
            if (!sameButDates(left[i], right[i])) return false;
        }
        return true;
    }
    case PropertyList::Type::Dictionary: {
        const auto& left = *a.dictionaryValue();
        const auto& right = *b.dictionaryValue();
        if (left.size() != right.size()) return false;
        for (const auto& [key, value] : left) {
            const auto found = right.find(key);
            if (found == right.end() || !sameButDates(value, found->second)) return false;
        }
        return true;
    }
    default:
        return a == b;
    }
}

} // namespace

// Reads arbitrary bytes as a property list (binary or XML). Whatever reads must write in both
// forms; what is written reads back to the same values, and XML writes the very same bytes again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto list = PropertyList::fromData(PropertyList::Data(data, data + size));
    if (!list) return 0;
    for (const auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        const PropertyList::Data written = list->toData(format);
        if (written.empty()) std::abort();
        const auto again = PropertyList::fromData(written);
        if (!again || !sameButDates(*again, *list)) std::abort();
        // The binary writer lays out shared objects in an order of its own.
        if (format == PropertyList::Format::Xml && again->toData(format) != written) std::abort();
    }
    return 0;
}
