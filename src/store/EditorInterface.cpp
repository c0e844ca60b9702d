#include "store/EditorInterface.h"

#include "platform/NotificationCenter.h"

namespace {

EditorInterface* gEditorInterface = nullptr;
bool gWillTerminatePosted = false;

NullEditorInterface& nullEditorInterface()
{
    static NullEditorInterface instance;
    return instance;
}

} // namespace

EditorInterface* EditorInterfaceInstance()
{
    return gEditorInterface ? gEditorInterface : &nullEditorInterface();
}

void SetEditorInterfaceInstance(EditorInterface* editorInterface)
{
    gEditorInterface = editorInterface;
}

void PostWillTerminateNotification()
{
    if (gWillTerminatePosted) return;
    gWillTerminatePosted = true;
    NotificationCenter::defaultCenter().post(WillTerminateNotification);
}
