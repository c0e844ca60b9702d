#include "Utils/PropertyListUtils.h"

namespace {

constexpr const char* PropertyListErrorDomain = "PropertyListErrorDomain";

} // namespace

std::optional<PropertyList> propertyListWithData(const PropertyList::Data& data, Error* error)
{
    return PropertyList::fromData(data, error);
}

std::optional<PropertyList::Data> dataWithPropertyList(const PropertyList& plist, PropertyList::Format format,
                                                       Error* error)
{
    // A property list has no form for "no value"; writing one would give a file no reader accepts.
    if (plist.isNone()) {
        setError(error, Error{PropertyListErrorDomain, 1, {}, "no value to write"});
        return std::nullopt;
    }
    PropertyList::Data data = plist.toData(format);
    if (data.empty()) {
        setError(error, Error{PropertyListErrorDomain, 2, {}, "the value cannot be written"});
        return std::nullopt;
    }
    return data;
}
