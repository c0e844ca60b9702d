#include "Utils/StandardButtons.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

TEST(StandardButtons, OkIsPressedByReturnCancelByEscape)
{
    ScopedStringTable strings("ok_button_title=Okay\ncancel_button_title=Never mind\n");
    ModalAlert alert;
    ModalAlert::Button& ok = addOKButton(alert);
    ModalAlert::Button& cancel = addCancelButton(alert);
    ASSERT_EQ(alert.buttons().size(), 2u);
    EXPECT_EQ(ok.title, "Okay");
    EXPECT_EQ(ok.keyEquivalent, "\r");
    EXPECT_EQ(cancel.title, "Never mind");
    EXPECT_EQ(cancel.keyEquivalent, "\x1b");
}
