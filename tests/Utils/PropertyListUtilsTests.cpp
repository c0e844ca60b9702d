#include "Utils/PropertyListUtils.h"

#include <gtest/gtest.h>

namespace {

PropertyList sample()
{
    return PropertyList(PropertyList::Dictionary{
        {"title", PropertyList("Map")},
        {"count", PropertyList(int64_t(3))},
        {"items", PropertyList(PropertyList::Array{PropertyList(true), PropertyList(1.5)})},
    });
}

TEST(PropertyListUtils, RoundTripInBothFormats)
{
    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        Error error;
        const auto data = dataWithPropertyList(sample(), format, &error);
        ASSERT_TRUE(data);
        EXPECT_TRUE(error.isEmpty());
        const auto read = propertyListWithData(*data, &error);
        ASSERT_TRUE(read);
        EXPECT_EQ(*read, sample());
    }
}

TEST(PropertyListUtils, NothingGarbageAndTruncationFailWithAnError)
{
    Error error;
    EXPECT_EQ(dataWithPropertyList(PropertyList(), PropertyList::Format::Xml, &error), std::nullopt);
    EXPECT_FALSE(error.isEmpty());
    const std::string text = "this is not a property list";
    error = Error();
    EXPECT_EQ(propertyListWithData(PropertyList::Data(text.begin(), text.end()), &error), std::nullopt);
    EXPECT_FALSE(error.isEmpty());

    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        auto data = dataWithPropertyList(sample(), format);
        ASSERT_TRUE(data);
        data->resize(data->size() / 2);
        EXPECT_EQ(propertyListWithData(*data), std::nullopt);
    }
}

} // namespace
