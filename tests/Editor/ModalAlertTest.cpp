#include "Editor/ModalAlert.h"

#include <gtest/gtest.h>

namespace {

class ChoosingPresenter : public ModalAlertPresenter {
public:
    int runModal(const ModalAlert& alert) override
    {
        shownMessage = alert.messageText();
        return ModalAlert::AlertFirstButtonReturn + 2;
    }
    void presentError(const Error& error) override { presented = error; }

    std::string shownMessage;
    Error presented;
};

class ModalAlertTest : public ::testing::Test {
protected:
    void TearDown() override { SetModalAlertPresenter(nullptr); }
};

ModalAlert importQuestion()
{
    ModalAlert alert;
    alert.setMessageText("Map exists");
    alert.setInformativeText("Overwrite it?");
    alert.setAlertStyle(AlertStyle::Warning);
    alert.addButtonWithTitle("Overwrite");
    alert.addButtonWithTitle("Import as new");
    alert.addButtonWithTitle("Cancel", "\033");
    return alert;
}

} // namespace

TEST_F(ModalAlertTest, WithoutPresenterTheFirstButtonIsChosen)
{
    EXPECT_EQ(1000, ModalAlert::AlertFirstButtonReturn);
    EXPECT_EQ(nullptr, ModalAlertPresenterInstance());
    EXPECT_EQ(1000, importQuestion().runModal());
}

TEST_F(ModalAlertTest, InstalledPresenterAnswers)
{
    ChoosingPresenter presenter;
    SetModalAlertPresenter(&presenter);
    EXPECT_EQ(1002, importQuestion().runModal());
    EXPECT_EQ("Map exists", presenter.shownMessage);

    PresentError(Error{TarnwickErrorDomain, 7, "Could not save", "Disk full"});
    EXPECT_EQ(7, presenter.presented.code);
    EXPECT_EQ("Disk full", presenter.presented.failureReason);
}
