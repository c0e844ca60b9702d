#include "Editor/DocumentPanels.h"

namespace {

class CancellingDocumentPanels : public DocumentPanels {
public:
    std::optional<std::string> runExportPanel(const SavePanel&, ExportFormatChoice&) override { return std::nullopt; }
    std::optional<std::string> runOutlineExportPanel(const SavePanel&, OutlineOptionsChoice&) override
    {
        return std::nullopt;
    }
    bool runPrintPanel(MindMap&, Size, Size, Error*) override { return false; }
    bool runOutlinePrintPanel(MindMap&, OutlineOptionsChoice&, Error*) override { return false; }
};

DocumentPanels*& installed()
{
    static DocumentPanels* panels = nullptr;
    return panels;
}

} // namespace

void DocumentPanels::setShared(DocumentPanels* panels)
{
    installed() = panels;
}

DocumentPanels& DocumentPanels::shared()
{
    static CancellingDocumentPanels cancelling;
    return installed() ? *installed() : cancelling;
}
