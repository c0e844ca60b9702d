#include "platform/gtk/GtkPopoverPresenter.h"
#include "GtkTestSupport.h"

#include <gtest/gtest.h>

TEST(GtkPopoverPresenterTest, ShowsRegisteredContentAndReportsItsCloseOnce)
{
    initGtkForTests();
    Gtk::OffscreenWindow window;
    Gtk::DrawingArea canvas;
    canvas.set_size_request(300, 200);
    window.add(canvas);
    window.show_all();
    GtkPopoverPresenter presenter(canvas);
    presenter.registerContent("datePicker", [] { return new Gtk::Calendar(); });
    int closes = 0;
    PopoverPresenter::Request request;
    request.content = "unknown";
    EXPECT_EQ(nullptr, presenter.showPopover(request, [&] { ++closes; }));

    request.content = "datePicker";
    request.relativeTo = {10, 20, 80, 30};
    auto popover = presenter.showPopover(request, [&] { ++closes; });
    ASSERT_NE(nullptr, popover);
    drainGtkEvents();
    EXPECT_TRUE(popover->isShown());
    popover->close();
    drainGtkEvents();
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(1, closes);
    window.remove();
}
