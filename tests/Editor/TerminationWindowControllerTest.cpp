#include "Editor/TerminationWindowController.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class WaitingProcess : public TerminationProcess {
public:
    WaitingProcess(std::string title, std::string icon) : TerminationProcess(std::move(title), std::move(icon)) {}
    void run() override {}
};

class RecordingView : public TerminationWindowView {
public:
    void reloadRows() override { ++reloads; }
    void closeWindow() override { ++closes; }
    int reloads = 0;
    int closes = 0;
};

using Row = TerminationWindowController::Row;

} // namespace

TEST(TerminationWindowControllerTest, TitleAndMessageAreTheStringTablesTexts)
{
    TerminationWindowController controller({});
    EXPECT_EQ(controller.windowTitle(), "Shutting Down");
    EXPECT_EQ(controller.message(), "Tarnwick is finishing its work before it quits.");
}

TEST(TerminationWindowControllerTest, RowsShowEachStepOrTheTitleAndTheWindowClosesWithTheLastProcess)
{
    WaitingProcess upload("Uploading to Dropbox", "dropbox_white_16");
    WaitingProcess cleanup("Removing unused images", "recycle_bin_full_16");
    TerminationWindowController controller({&upload, &cleanup});
    RecordingView view;
    controller.setView(&view);
    EXPECT_EQ(view.reloads, 1);
    EXPECT_EQ(controller.rows(),
              (std::vector<Row>{{"Uploading to Dropbox", "dropbox_white_16"},
                                {"Removing unused images", "recycle_bin_full_16"}}));

    upload.setAction("Uploading \"Plans\"");
    controller.processesChanged({&upload, &cleanup});
    EXPECT_EQ(controller.rows().front().text, "Uploading \"Plans\"");
    upload.setAction("");
    controller.processesChanged({&upload, &cleanup});
    EXPECT_EQ(controller.rows().front().text, "Uploading to Dropbox") << "an empty step falls back to the title";

    cleanup.setCompleted();
    controller.processesChanged({&upload});
    EXPECT_EQ(controller.rows().size(), 1u);
    EXPECT_EQ(view.closes, 0);

    upload.setCompleted();
    controller.processesChanged({});
    EXPECT_EQ(view.closes, 1);
    EXPECT_TRUE(controller.isClosed());
    controller.processesChanged({});
    EXPECT_EQ(view.closes, 1) << "the window closes once";
}

TEST(TerminationWindowControllerTest, ACompletedProcessStillInTheListIsNotShown)
{
    WaitingProcess done("Done already", "");
    done.setCompleted();
    WaitingProcess running("Still running", "");
    TerminationWindowController controller({&done, &running});
    EXPECT_EQ(controller.rows(), (std::vector<Row>{{"Still running", ""}}));
}
