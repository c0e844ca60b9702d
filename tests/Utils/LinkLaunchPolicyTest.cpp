#include "Utils/LinkLaunchPolicy.h"
#include "Utils/URLUtils.h"

#include "support/RecordingUriLauncher.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

class LinkLaunchPolicyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeTestFile(folder.file("report.pdf"), "%PDF-1.4");
        writeTestFile(folder.file("program"), "#!/bin/sh\necho hi\n");
        ::chmod(folder.file("program").c_str(), 0755);
        writeTestFile(folder.file("group-runnable.txt"), "text");
        ::chmod(folder.file("group-runnable.txt").c_str(), 0610);
        writeTestFile(folder.file("Start.desktop"), "[Desktop Entry]\nExec=rm -rf ~\n");
        writeTestFile(folder.file("START.DESKTOP"), "[Desktop Entry]\n");
        writeTestFile(folder.file("setup.sh"), "echo\n");
        writeTestFile(folder.file("tool.jar"), "PK");
        writeTestFile(folder.file("notes.txt"), "notes");
        std::filesystem::create_symlink(folder.file("program"), folder.file("innocent.pdf"));
        std::filesystem::create_symlink(folder.file("report.pdf"), folder.file("alias.pdf"));
        std::filesystem::create_directory(folder.file("Folder"));
        ::mkfifo(folder.file("pipe").c_str(), 0644);
    }

    std::string url(const std::string& name) const { return fileURLWithPath(folder.file(name)); }

    TempDir folder;
};

TEST_F(LinkLaunchPolicyTest, OnlyWebMailPhoneAndSafeExistingFilesOpen)
{
    const std::string canonical = std::filesystem::canonical(folder.path()).string();
    struct Case {
        std::string url;
        LinkLaunchAction action;
        std::string target;
    };
    const Case cases[] = {
        {"http://example.com/a?b=c#d", LinkLaunchAction::Open, "http://example.com/a?b=c#d"},
        {"https://example.com", LinkLaunchAction::Open, "https://example.com"},
        {"http:///no-host", LinkLaunchAction::Refuse, ""},
        {"mailto:someone@example.com?subject=Plan", LinkLaunchAction::Open, "mailto:someone@example.com?subject=Plan"},
        {"mailto:someone@example.com?attach=/etc/passwd", LinkLaunchAction::Refuse, ""},
        {"mailto:x@example.com?subject=a&%41ttachment=~/.ssh/id_rsa", LinkLaunchAction::Refuse, ""},
        {"mailto:", LinkLaunchAction::Refuse, ""},
        {"tel:+15550100", LinkLaunchAction::Open, "tel:+15550100"},
        {"tel:", LinkLaunchAction::Refuse, ""},
        {"javascript:alert(1)", LinkLaunchAction::Refuse, ""},
        {"data:text/html,<b>x</b>", LinkLaunchAction::Refuse, ""},
        {"ftp://example.com/file", LinkLaunchAction::Refuse, ""},
        {"smb://server/share", LinkLaunchAction::Refuse, ""},
        {"vscode://file/etc/passwd", LinkLaunchAction::Refuse, ""},
        {"steam://run/1", LinkLaunchAction::Refuse, ""},
        {"", LinkLaunchAction::Refuse, ""},
        {"not a url", LinkLaunchAction::Refuse, ""},
        {url("report.pdf"), LinkLaunchAction::Open, fileURLWithPath(canonical + "/report.pdf")},
        {url("alias.pdf"), LinkLaunchAction::Open, fileURLWithPath(canonical + "/report.pdf")},
        {url("notes.txt"), LinkLaunchAction::Open, fileURLWithPath(canonical + "/notes.txt")},
        {url("Folder"), LinkLaunchAction::Open, fileURLWithPath(canonical + "/Folder")},
        {url("program"), LinkLaunchAction::ShowInFileManager, canonical + "/program"},
        {url("group-runnable.txt"), LinkLaunchAction::ShowInFileManager, canonical + "/group-runnable.txt"},
        {url("innocent.pdf"), LinkLaunchAction::ShowInFileManager, canonical + "/program"},
        {url("Start.desktop"), LinkLaunchAction::ShowInFileManager, canonical + "/Start.desktop"},
        {url("START.DESKTOP"), LinkLaunchAction::ShowInFileManager, canonical + "/START.DESKTOP"},
        {url("setup.sh"), LinkLaunchAction::ShowInFileManager, canonical + "/setup.sh"},
        {url("tool.jar"), LinkLaunchAction::ShowInFileManager, canonical + "/tool.jar"},
        {url("missing.pdf"), LinkLaunchAction::Refuse, ""},
        {url("pipe"), LinkLaunchAction::Refuse, ""},
        {"file:///dev/null", LinkLaunchAction::Refuse, ""},
        {"file://otherhost" + folder.file("report.pdf"), LinkLaunchAction::Refuse, ""},
        {url("report.pdf") + "%00.txt", LinkLaunchAction::Refuse, ""},
    };
    for (const Case& c : cases) {
        const LinkLaunchDecision decision = decideLinkLaunch(c.url);
        EXPECT_EQ(decision.action, c.action) << c.url;
        EXPECT_EQ(decision.target, c.target) << c.url;
    }
}

TEST_F(LinkLaunchPolicyTest, TheDecisionIsCarriedOutThroughTheLauncher)
{
    RecordingUriLauncher launcher;
    LinkLaunchAction taken = LinkLaunchAction::Open;
    EXPECT_TRUE(launchDocumentLink("https://example.com", &taken));
    EXPECT_EQ(taken, LinkLaunchAction::Open);
    EXPECT_TRUE(launchDocumentLink(url("Start.desktop"), &taken));
    EXPECT_EQ(taken, LinkLaunchAction::ShowInFileManager);
    EXPECT_FALSE(launchDocumentLink("javascript:alert(1)", &taken));
    EXPECT_EQ(taken, LinkLaunchAction::Refuse);
    EXPECT_EQ(launcher.opened, std::vector<std::string>{"https://example.com"});
    ASSERT_EQ(launcher.shownInFileManager.size(), 1u);
    EXPECT_EQ(std::filesystem::path(launcher.shownInFileManager[0]).filename(), "Start.desktop");

    launcher.succeeds = false;
    EXPECT_FALSE(launchDocumentLink("tel:+15550100"));
}

} // namespace
