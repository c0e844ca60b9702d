#include "store/EditorInterface.h"

#include "platform/NotificationCenter.h"

namespace {

std::shared_ptr<EditorInterface> gEditorInterface;
bool gWillTerminatePosted = false;
int gOpenRenamesKept = 0;

} // namespace

EditorInterface* EditorInterfaceInstance()
{
    if (!gEditorInterface) gEditorInterface = std::make_shared<NullEditorInterface>();
    return gEditorInterface.get();
}

OpenRenamesKept::OpenRenamesKept()
{
    ++gOpenRenamesKept;
}

OpenRenamesKept::~OpenRenamesKept()
{
    --gOpenRenamesKept;
}

bool OpenRenamesKept::held()
{
    return gOpenRenamesKept > 0;
}

void SetEditorInterfaceInstance(std::shared_ptr<EditorInterface> editorInterface)
{
    if (editorInterface == gEditorInterface) return;
    // The old interface goes only after the slot holds the new one, so that its teardown already
    // sees its successor.
    std::swap(gEditorInterface, editorInterface);
}

void PostWillTerminateNotification()
{
    if (gWillTerminatePosted) return;
    gWillTerminatePosted = true;
    NotificationCenter::defaultCenter().post(WillTerminateNotification);
}
