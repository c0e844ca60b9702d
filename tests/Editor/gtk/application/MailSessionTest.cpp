// "Mail Mind Map" as its user meets it: the options dialog, then the real xdg-email handing the
// message to the mail program ($MAILER, here a recorder), or the alert when there is none.

#include "ApplicationSession.h"
#include "support/DisplayRequirement.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace {

constexpr const char* PlanDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
  <mindmap>
    <meta>
      <guid guid="5E1EC7A11A11C0FFEE000043" />
      <title text="Harbour plan" />
      <main-centraltheme id="0" />
      <selection type="node" id="0" />
    </meta>
    <topics>
      <topic id="0" parent="-1" x="0" y="0" text="Harbour plan" />
      <topic id="1" parent="0" x="150" y="0" text="Moorings" />
    </topics>
    <relations />
  </mindmap>
</tarnwick-mindmaps>
)";
constexpr const char* MapTitle = "Harbour plan";

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The value of a mailto address's parameter, %-decoded.
std::string mailtoParameter(const std::string& uri, const std::string& name)
{
    const size_t at = uri.find(name + "=");
    if (at == std::string::npos) return {};
    const size_t start = at + name.size() + 1;
    const std::string raw = uri.substr(start, uri.find_first_of("&\n", start) - start);
    std::string decoded;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size()) {
            decoded += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += raw[i];
        }
    }
    return decoded;
}

class MailSessionTest : public WholeProgramTest {
protected:
    // Starts the program on the imported map and answers the mail dialog with its first choice
    // (PDF alone).
    std::unique_ptr<RunningApplication> mailTheMap()
    {
        const std::string file = home.file("Harbour plan.twkx");
        writeTestFile(file, PlanDocument);
        auto application = std::make_unique<RunningApplication>(home, *bus);
        EXPECT_TRUE(application->waitForWindow("Welcome"));
        EXPECT_TRUE(application->chooseMenuItem("Mind Map", "Import…"));
        EXPECT_TRUE(application->chooseFile("Import", file));
        EXPECT_TRUE(application->waitForWindow(MapTitle));
        EXPECT_TRUE(application->chooseMenuItem("Mind Map", "Mail Mind Map…"));
        EXPECT_TRUE(application->waitFor(ATSPI_ROLE_CHECK_BOX, "PDF Document"));
        EXPECT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
        return application;
    }

    ApplicationHome home;
};

TEST_F(MailSessionTest, TheMailProgramGetsTheSubjectAndThePdfOfTheMap)
{
    const std::string record = home.file("mailer-record.txt");
    const std::string mailer = home.file("mailer.sh");
    std::ofstream(mailer) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record << "'\n";
    std::filesystem::permissions(mailer, std::filesystem::perms::owner_all);
    ScopedEnvironment mailerVariable("MAILER", mailer);

    auto application = mailTheMap();
    ASSERT_TRUE(eventually([&] { return !fileText(record).empty(); }, "the mail program to be handed the message"));
    const std::string handed = fileText(record);
    EXPECT_EQ(mailtoParameter(handed, "subject"), "Tarnwick Mind Map - Harbour plan") << handed;
    std::string attachment = mailtoParameter(handed, "attach");
    if (attachment.rfind("file://", 0) == 0) attachment = attachment.substr(7);
    EXPECT_EQ(std::filesystem::path(attachment).extension(), ".pdf") << handed;
    EXPECT_NE(attachment.find("/Scratch/"), std::string::npos) << handed;
    std::optional<PdfContents> pdf = readPdf(attachment);
    ASSERT_TRUE(pdf) << attachment;
    EXPECT_GE(pdf->pages, 1);
    EXPECT_NE(pdf->firstPageText.find("Moorings"), std::string::npos) << pdf->firstPageText;

    ASSERT_TRUE(application->pressKeys(MapTitle, {"ctrl+q"}));
    EXPECT_EQ(application->waitForExit(), 0) << application->log();
}

TEST_F(MailSessionTest, WithoutAMailProgramAnAlertNamesTheFolderOfTheFiles)
{
    ScopedEnvironment noMailer("MAILER", std::nullopt);
    auto application = mailTheMap();
    std::vector<Element> alerts;
    ASSERT_TRUE(eventually(
        [&] {
            alerts = application->findAll(ATSPI_ROLE_ALERT);
            for (const Element& alert : alerts)
                for (const std::string& label : labelsIn(alert))
                    if (label.find("No mail program") != std::string::npos) return true;
            return false;
        },
        "the no-mail alert"));
    bool namesFolder = false;
    for (const Element& alert : alerts)
        for (const std::string& label : labelsIn(alert))
            namesFolder = namesFolder || label.find("/Scratch") != std::string::npos;
    EXPECT_TRUE(namesFolder);
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
    ASSERT_TRUE(application->pressKeys(MapTitle, {"ctrl+q"}));
    EXPECT_EQ(application->waitForExit(), 0) << application->log();
}

} // namespace
