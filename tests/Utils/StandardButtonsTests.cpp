#include "Utils/StandardButtons.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

class FakeAlert : public Alert {
public:
    AlertButton& addButtonWithTitle(const std::string& title) override { return buttons.emplace_back(title); }
    std::deque<AlertButton> buttons;
};

TEST(StandardButtons, OkIsPressedByReturnCancelByEscape)
{
    ScopedStringTable strings("ok_button_title=Okay\ncancel_button_title=Never mind\n");
    FakeAlert alert;
    AlertButton& ok = addOKButton(alert);
    AlertButton& cancel = addCancelButton(alert);
    ASSERT_EQ(alert.buttons.size(), 2u);
    EXPECT_EQ(ok.title(), "Okay");

    EXPECT_EQ(ok.keyEquivalent(), "\r");
    EXPECT_EQ(cancel.title(), "Never mind");
    EXPECT_EQ(cancel.keyEquivalent(), "\x1b");
}

} // namespace
