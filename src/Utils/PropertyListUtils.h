#pragma once

#include "platform/Error.h"
#include "platform/PropertyList.h"

#include <optional>

// Reads an XML or binary property list; empty on failure, with the cause.
std::optional<PropertyList> propertyListWithData(const PropertyList::Data& data, Error* error = nullptr);

// Writes a property list in the format; empty, with the cause, when there is nothing to write.
std::optional<PropertyList::Data> dataWithPropertyList(const PropertyList& plist, PropertyList::Format format,
                                                       Error* error = nullptr);
