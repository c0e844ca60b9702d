#pragma once

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"
#include "platform/NotificationCenter.h"
#include "platform/TextMeasurer.h"
#include "platform/UserDefaults.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace editortest {

class CountingHost : public MindMapEditorHost {
public:
    int displays = 0;
    void setNeedsDisplay() override { ++displays; }
};

class RecordingCrossLinkFeedback : public CrossLinkFeedback {
public:
    std::vector<std::string> calls;
    void showCrossLinkFeedback() override { calls.push_back("show"); }
    void hideCrossLinkFeedback() override { calls.push_back("hide"); }
};

// Counts the notifications of one name posted with the editor as object.
class NotificationCounter {
public:
    NotificationCounter(const std::string& name, const void* object)
        : _token(
              NotificationCenter::defaultCenter().addObserver(name, object, [this](const Notification&) { ++count; }))
    {
    }
    int count = 0;

private:
    ObservationToken _token;
};

// An editor of 800 x 600 points showing a map whose central theme stands at (400, 400) and has a
// child far to its lower right, measured with the fake measurer.
class EditorViewTest : public ::testing::Test {
protected:
    static constexpr const char* Keys[] = {"editorGlobalScaleFactor", "restoreZoomFactor", "suppressShadows",
                                           "topicHasHideTool"};

    void SetUp() override
    {
        for (const char* key : Keys) UserDefaults::standard().removeObject(key);
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setHost(&host);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        theme = map->mainCentralTheme();
        child = map->addMindMapNodeAsChild(theme, {1400, 1000});
        map->validateElementStates();
    }

    void TearDown() override
    {
        editor.reset();
        map.reset();
        TextMeasurer::setShared(nullptr);
        for (const char* key : Keys) UserDefaults::standard().removeObject(key);
    }

    void showMap()
    {
        editor->setMindMap(map);
        map->setSelectedElement(theme);
    }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    CountingHost host;
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    MindMapNode* theme = nullptr;
    MindMapNode* child = nullptr;
};

} // namespace editortest
