#include "platform/FileChooser.h"

namespace {

class CancellingFileChooser : public FileChooser {
public:
    std::vector<std::string> runOpenPanel(const OpenOptions&) override { return {}; }
    std::optional<std::string> runSavePanel(const SaveOptions&) override { return std::nullopt; }
};

FileChooser* gFileChooser = nullptr;

} // namespace

void FileChooser::setShared(FileChooser* chooser)
{
    gFileChooser = chooser;
}

FileChooser& FileChooser::shared()
{
    static CancellingFileChooser cancelling;
    return gFileChooser ? *gFileChooser : cancelling;
}
