#pragma once

#include "ApplicationSession.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// The fixture of a cloud tab's whole-program tests: a private home with an unlocked keyring, where
// the service's test keeps the sign-in the program starts with.
class CloudPaneSessionTest : public WholeProgramTest {
protected:
    void SetUp() override;
    void TearDown() override { keyring.reset(); }

    static void screenshot(const std::string& name);
    // What the accessibility bus shows of the window, for a failure's message.
    static void dump(RunningApplication& application, std::ostream& out);

    // A listing of `folder` that the service first refuses (refuseNextListing makes it refuse the
    // next one) ends a second later, after the user's last input: the tab's strip follows it all
    // the same, and Up goes up at once. The service holds `file` in the folder.
    static void expectALateListingLeavesTheStripEnabled(RunningApplication& application, const std::string& tab,
                                                        const std::string& folder, const std::string& file,
                                                        const std::function<void()>& refuseNextListing);

    ApplicationHome home;
    std::unique_ptr<UnlockedKeyring> keyring;
};

// Once the tab's list was found, only its column counts: the map's outline shows topics as cells too.
extern std::optional<std::pair<int, int>> listColumn;

// The list's rows as the accessibility bus shows them: a row's text starts with the item's name
// (a details line may follow).
std::optional<Element> rowNamed(RunningApplication& application, const std::string& name);
::testing::AssertionResult waitForRow(RunningApplication& application, const std::string& name,
                                      Element* found = nullptr);
::testing::AssertionResult waitUntilRowGoes(RunningApplication& application, const std::string& name);

::testing::AssertionResult xdotool(std::vector<std::string> arguments);
::testing::AssertionResult clickAt(int x, int y, int count = 1, int button = 1);
::testing::AssertionResult clickRow(RunningApplication& application, const std::string& name, int count = 1,
                                    int button = 1);
// Keys by xdotool's names, to the window with the focus.
::testing::AssertionResult keys(const std::vector<std::string>& names);
::testing::AssertionResult type(const std::string& text);
// The side bar's tab of that name, whatever kind of button shows it.
::testing::AssertionResult clickSegment(RunningApplication& application, const std::string& name);
// Waits until every button of the names is shown and enabled.
::testing::AssertionResult waitUntilEnabled(RunningApplication& application, const std::vector<std::string>& names);
