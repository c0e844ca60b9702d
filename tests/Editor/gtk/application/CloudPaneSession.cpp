#include "CloudPaneSession.h"

#include <cstdlib>
#include <sstream>

std::optional<std::pair<int, int>> listColumn;

void CloudPaneSessionTest::SetUp()
{
    WholeProgramTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // A column found by an earlier test is no guide to this one's window.
    listColumn.reset();
    keyring = std::make_unique<UnlockedKeyring>(home, *bus);
}

void CloudPaneSessionTest::screenshot(const std::string& name)
{
    if (const char* folder = std::getenv("TARNWICK_SESSION_SCREENSHOTS"))
        runCommand({"import", "-window", "root", std::string(folder) + "/" + name + ".png"});
}

void CloudPaneSessionTest::dump(RunningApplication& application, std::ostream& out)
{
    for (AtspiRole role : {ATSPI_ROLE_PAGE_TAB, ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_TOGGLE_BUTTON,
                           ATSPI_ROLE_RADIO_BUTTON, ATSPI_ROLE_TABLE_CELL, ATSPI_ROLE_TEXT, ATSPI_ROLE_ENTRY,
                           ATSPI_ROLE_DRAWING_AREA, ATSPI_ROLE_TREE_TABLE, ATSPI_ROLE_TABLE, ATSPI_ROLE_LABEL})
        for (const Element& element : application.findAll(role))
            out << role << " '" << element.name << "' " << element.x << "," << element.y << " " << element.width << "x"
                << element.height << (element.sensitive ? "" : " disabled") << "\n";
}

void CloudPaneSessionTest::expectALateListingLeavesTheStripEnabled(RunningApplication& application,
                                                                   const std::string& tab, const std::string& folder,
                                                                   const std::string& file,
                                                                   const std::function<void()>& refuseNextListing)
{
    ASSERT_TRUE(application.waitForWindow("Welcome", 30s)) << application.log();
    auto context = [&] {
        std::ostringstream text;
        dump(application, text);
        return text.str() + application.log();
    };
    ASSERT_TRUE(clickSegment(application, tab)) << context();
    Element shown;
    ASSERT_TRUE(waitForRow(application, folder, &shown)) << context();
    listColumn = {shown.x, shown.x + shown.width};

    refuseNextListing();
    ASSERT_TRUE(clickRow(application, folder, 2));
    ASSERT_TRUE(waitForRow(application, file)) << context();
    EXPECT_TRUE(waitUntilEnabled(application, {"Up one folder", "Synchronising with " + tab})) << context();
    ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "Up one folder")) << context();
    EXPECT_TRUE(waitUntilRowGoes(application, file)) << context();
    EXPECT_TRUE(waitForRow(application, folder)) << context();
}

std::optional<Element> rowNamed(RunningApplication& application, const std::string& name)
{
    for (const Element& cell : application.findAll(ATSPI_ROLE_TABLE_CELL)) {
        if (listColumn && (cell.centreX() < listColumn->first || cell.centreX() > listColumn->second)) continue;
        if (cell.name == name || cell.name.rfind(name + "\n", 0) == 0) return cell;
    }
    return std::nullopt;
}

::testing::AssertionResult waitForRow(RunningApplication& application, const std::string& name, Element* found)
{
    return eventually(
        [&] {
            std::optional<Element> row = rowNamed(application, name);
            if (row && found) *found = *row;
            return row.has_value();
        },
        "the row '" + name + "'");
}

::testing::AssertionResult waitUntilRowGoes(RunningApplication& application, const std::string& name)
{
    return eventually([&] { return !rowNamed(application, name); }, "the row '" + name + "' to go");
}

::testing::AssertionResult xdotool(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "xdotool");
    if (runCommand(arguments) != 0) return ::testing::AssertionFailure() << "xdotool failed";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult clickAt(int x, int y, int count, int button)
{
    return xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "--repeat",
                    std::to_string(count), "--delay", "60", std::to_string(button)});
}

::testing::AssertionResult clickRow(RunningApplication& application, const std::string& name, int count, int button)
{
    Element row;
    if (auto shown = waitForRow(application, name, &row); !shown) return shown;
    return clickAt(row.centreX(), row.centreY(), count, button);
}

::testing::AssertionResult keys(const std::vector<std::string>& names)
{
    std::vector<std::string> arguments = {"key", "--delay", "40"};
    arguments.insert(arguments.end(), names.begin(), names.end());
    return xdotool(arguments);
}

::testing::AssertionResult type(const std::string& text)
{
    return xdotool({"type", "--delay", "20", text});
}

::testing::AssertionResult clickSegment(RunningApplication& application, const std::string& name)
{
    AtspiRole found = ATSPI_ROLE_INVALID;
    auto shown = eventually(
        [&] {
            for (AtspiRole role :
                 {ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_TOGGLE_BUTTON, ATSPI_ROLE_RADIO_BUTTON, ATSPI_ROLE_PAGE_TAB})
                if (application.find(role, name)) {
                    found = role;
                    return true;
                }
            return false;
        },
        "the tab '" + name + "'");
    if (!shown) return shown;
    return application.click(found, name);
}

::testing::AssertionResult waitUntilEnabled(RunningApplication& application, const std::vector<std::string>& names)
{
    std::string disabled;
    auto enabled = eventually(
        [&] {
            disabled.clear();
            for (const std::string& name : names) {
                std::optional<Element> button = application.find(ATSPI_ROLE_PUSH_BUTTON, name);
                if (!button || !button->sensitive) disabled += " '" + name + "'";
            }
            return disabled.empty();
        },
        "the buttons to be enabled", 10s);
    if (!enabled) return enabled << ": still disabled" << disabled;
    return enabled;
}
