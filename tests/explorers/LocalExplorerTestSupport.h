#pragma once

#include "Editor/DocumentTestSupport.h"
#include "Editor/TwkDocumentController.h"
#include "MindMaps/MindMap.h"
#include "explorers/LocalMindMapExplorer.h"
#include "formats/PdfTestSupport.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "support/ManualScheduler.h"
#include "support/ScriptedAlertPanel.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

// The local explorer over a real store in a temporary folder, with the real document controller
// behind the editor interface. The store holds, in the root: folder "Work" (with map "Beta" and
// folder "Deep" holding "Gamma"), then maps "Alpha" and "Delta".
namespace explorertest {

using namespace storetest;

const std::string GuidAlpha = "A1A1A1A1A1A1A1A1A1A1A1A1";
const std::string GuidBeta = "B2B2B2B2B2B2B2B2B2B2B2B2";
const std::string GuidGamma = "C3C3C3C3C3C3C3C3C3C3C3C3";
const std::string GuidDelta = "D4D4D4D4D4D4D4D4D4D4D4D4";

class NullHost : public DocumentControllerHost {
public:
    void presentError(const Error& error) override { errors.push_back(error); }
    std::vector<Error> errors;
};

class LocalExplorerTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        placeFile(GuidAlpha + ".twkx", nativeDocument(GuidAlpha, "Alpha", "<topic text=\"apple pie\"/>"));
        placeFile(GuidBeta + ".twkx", nativeDocument(GuidBeta, "Beta", "<topic text=\"banana\"/>"));
        placeFile(GuidGamma + ".twkx", nativeDocument(GuidGamma, "Gamma", "<topic text=\"grape\"/>"));
        placeFile(GuidDelta + ".twkx", nativeDocument(GuidDelta, "Delta", "<topic text=\"date\"/>"));
        store = start();
        work = store->addNewFolder(nullptr, "Work");
        deep = store->addNewFolder(work, "Deep");
        map(GuidBeta)->setParent(work);
        map(GuidGamma)->setParent(deep);
        // The folder, then Alpha, then Delta: maps the folder index does not name yet come in the
        // order the file system lists them, which differs between file systems (tmpfs lists the
        // newest first), so the order the tests read is set here.
        work->moveToParent(store->rootFolder(), 0);
        map(GuidAlpha)->moveToParent(store->rootFolder(), std::numeric_limits<int64_t>::max());
        map(GuidDelta)->moveToParent(store->rootFolder(), std::numeric_limits<int64_t>::max());
        controller = std::make_shared<TwkDocumentController>(documentScheduler, host, services);
        controller->makeSingletonDocument()->setWindow(&window);
        SetEditorInterfaceInstance(controller);
    }
    void TearDown() override
    {
        explorer.reset();
        SetEditorInterfaceInstance(nullptr);
        controller.reset();
        StoreTest::TearDown();
    }

    MindMapInfoItem* map(const std::string& guid) const { return store->mindMapByGuid(guid); }

    LocalMindMapExplorer& makeExplorer(int32_t mode = MainExplorerMode)
    {
        explorer = std::make_unique<LocalMindMapExplorer>(mode, scheduler);
        explorer->loadView();
        explorer->setActive(true);
        return *explorer;
    }

    MindMapOutlineView& outline() { return explorer->outlineView(); }
    // A PDF with one page and no bookmarks, to import.
    std::string placePdf()
    {
        const pdftest::Bytes pdf = pdftest::cairoPdf(1, nullptr);
        writeTestFile(dataHome() + "/Report.pdf", std::string(pdf.begin(), pdf.end()));
        return dataHome() + "/Report.pdf";
    }

    // The visible rows, indented two spaces a level.
    std::vector<std::string> rows()
    {
        std::vector<std::string> titles;
        for (int64_t row = 0; row < outline().numberOfRows(); ++row)
            titles.push_back(std::string(2 * outline().levelForRow(row), ' ') + outline().itemAtRow(row)->title());
        return titles;
    }
    std::string selectedTitle()
    {
        MindMapStoreItem* item = explorer->selectedItem();
        return item ? item->title() : std::string();
    }
    // The user clicks the row of the item.
    bool click(MindMapStoreItem* item) { return outline().userSelectRowIndexes({outline().rowForItem(item)}); }
    std::string openId() const
    {
        MindMapStorage* storage = controller->currentStorage();
        return storage ? storage->id() : std::string();
    }

    FakeDocumentScheduler documentScheduler;
    FakeDocumentWindow window;
    NullHost host;
    ApplicationTerminationServices services;
    std::shared_ptr<TwkDocumentController> controller;
    ManualScheduler scheduler;
    ScriptedAlertPanel alerts;
    MindMapStore* store = nullptr;
    MindMapStoreFolder* work = nullptr;
    MindMapStoreFolder* deep = nullptr;
    std::unique_ptr<LocalMindMapExplorer> explorer;
};

} // namespace explorertest
