// Every place of the window that a user's text fills and GTK lays out in one go shows an excerpt
// of a long one: its start, and an ellipsis for the rest.

#include "DocumentTestSupport.h"
#include "MindMaps/ScriptedCommandPrompts.h"

#include "Editor/EditorNotificationPresenter.h"
#include "Editor/EditorWindowController.h"
#include "Editor/FeedbackController.h"
#include "Editor/TerminationWindowController.h"
#include "platform/UserDefaults.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "support/LongUserTexts.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

using namespace storetest;

namespace {

struct ShownTexts : EditorNotificationView, EditorWindowView, TerminationWindowView {
    void showNotification(const std::string& title, const std::string& message, unsigned) override
    {
        caption = title;
        notice = message;
    }
    void hideNotification() override {}
    void showProgress(const std::string& title) override { progress = title; }
    void hideProgress() override {}
    void setProgressTitle(const std::string& title) override { progress = title; }
    void reloadRows() override {}
    void closeWindow() override {}

    std::string caption, notice, progress;
};

class Process : public TerminationProcess {
public:
    using TerminationProcess::TerminationProcess;
    void run() override {}
};

class LongUserTexts : public StoreTest {};

} // namespace

TEST_F(LongUserTexts, EveryPlaceShowsTheStartOfALongText)
{
    ShownTexts view;
    FeedbackCenter center;
    ManualScheduler scheduler;
    EditorNotificationPresenter presenter(center, scheduler, view);
    EditorWindowController window(UserDefaults::standard());
    window.setView(&view);
    FakeDocumentScheduler documentScheduler;
    FakeDocumentWindow documentWindow;
    MindMapStore* store = start();
    longtexts::expectExcerpts({
        {"a notice's caption",
         [&](const std::string& text) {
             center.showEditorNotification(text, "message", 0);
             return view.caption;
         }},
        {"a notice's message",
         [&](const std::string& text) {
             center.showEditorNotification("title", text, 0);
             return view.notice;
         }},
        {"the canvas's progress",
         [&](const std::string& text) {
             presenter.startProgress(0, text);
             return view.progress;
         }},
        {"the activity strip's progress",
         [&](const std::string& text) {
             window.progress(0, text);
             return view.progress;
         }},
        {"a row of the activity log",
         [](const std::string& text) { return FeedbackController::rowText(FeedbackItem(text, text, 0)); }},
        {"a process the quit waits for",
         [](const std::string& text) {
             Process process(text, "");
             return TerminationWindowController({&process}).rows().at(0).text;
         }},
        {"Mind Map Info's alert, the map's title",
         [&](const std::string& text) {
             maptest::ScriptedCommandPrompts prompts;
             maptest::ScopedCommandPrompts installed(prompts);
             MindMapInfoItem* map = store->addMindMapInFolder(nullptr);
             map->setTitle(text);
             EditorDocument document(documentScheduler);
             document.setWindow(&documentWindow);
             EXPECT_TRUE(document.attachToStorage(MindMapProviders::localProvider()->createStorage(map->guid())));
             document.showMindMapInfo();
             return prompts.alerts.empty() ? std::string() : prompts.alerts.back().messageText();
         }},
        {"the canvas's name, the map's title",
         [&](const std::string& text) {
             MindMapInfoItem* map = store->addMindMapInFolder(nullptr);
             map->setTitle(text);
             EditorDocument document(documentScheduler);
             document.setWindow(&documentWindow);
             EXPECT_TRUE(document.attachToStorage(MindMapProviders::localProvider()->createStorage(map->guid())));
             return documentWindow.titles.empty() ? std::string() : documentWindow.titles.back();
         }},
    });
    window.setView(nullptr);
}
