#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Error.h"

// A property-list value: the value type of user defaults, index caches and the older documents.
class PropertyList {
public:
    using Data = std::vector<uint8_t>;
    using Array = std::vector<PropertyList>;
    using Dictionary = std::map<std::string, PropertyList>;
    struct Date {
        double secondsSinceReferenceDate = 0; // since 2001-01-01 00:00 UTC
        friend bool operator==(const Date&, const Date&) = default;
    };
    enum class Type { None, Boolean, Integer, Real, String, Data, Date, Array, Dictionary };
    enum class Format { Xml, Binary };

    PropertyList() = default;
    PropertyList(bool v) : _v(v) {}
    PropertyList(int v) : _v(int64_t(v)) {}
    PropertyList(int64_t v) : _v(v) {}
    PropertyList(double v) : _v(v) {}
    PropertyList(const char* v) : _v(std::string(v)) {}
    PropertyList(std::string v) : _v(std::move(v)) {}
    PropertyList(Data v) : _v(std::move(v)) {}
    PropertyList(Date v) : _v(v) {}
    PropertyList(Array v) : _v(std::move(v)) {}
    PropertyList(Dictionary v) : _v(std::move(v)) {}

    Type type() const { return static_cast<Type>(_v.index()); }
    bool isNone() const { return type() == Type::None; }

    // Typed access; a value of another type answers the fallback. Numbers convert between integer,
    // real and boolean as user defaults do (a real becomes an integer by truncation, saturating at
    // the int64_t range, NaN giving 0; any non-zero number is true); strings are not parsed.
    bool boolValue(bool fallback = false) const;
    int64_t integerValue(int64_t fallback = 0) const;
    double realValue(double fallback = 0) const;
    std::string stringValue(const std::string& fallback = {}) const;
    const Data* dataValue() const;
    const Array* arrayValue() const;
    const Dictionary* dictionaryValue() const;
    Array* arrayValue();
    Dictionary* dictionaryValue();
    std::optional<Date> dateValue() const;

    // Dictionary member, or a None value when this is not a dictionary or has no such key.
    const PropertyList& operator[](const std::string& key) const;

    // Reads XML or binary property lists (the format is detected). Empty on failure, with the cause.
    // Nesting deeper than 512 levels is refused. A keyed-archive reference (UID) reads as the
    // dictionary {"CF$UID": n}, as it is written in XML.
    static std::optional<PropertyList> fromData(const Data& data, Error* error = nullptr);

    // None values are left out of arrays and dictionaries; a None value alone gives no data.
    // Strings end at an embedded NUL, which neither form can carry. XML keeps whole seconds of
    // dates, the binary form keeps them exactly; dates are kept between the years 1 and 9999.
    Data toData(Format format = Format::Xml) const;

    friend bool operator==(const PropertyList&, const PropertyList&) = default;

private:
    std::variant<std::monostate, bool, int64_t, double, std::string, Data, Date, Array, Dictionary> _v;
};
