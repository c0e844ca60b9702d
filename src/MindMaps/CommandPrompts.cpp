#include "MindMaps/CommandPrompts.h"

namespace {

// Answers as a user who closes every question would: nothing is confirmed or changed.
class HeadlessCommandPrompts : public CommandPrompts {
public:
    int runAlert(const ModalAlert&) override { return Dismissed; }
    bool runRelationStyleDialog(const std::string&, const std::string&, const RelationStyle&, RelationStyle&) override
    {
        return false;
    }
    std::optional<std::string> runImageLinkPrompt(const std::string&, const std::string&, const std::string&,
                                                  const std::string&) override
    {
        return std::nullopt;
    }
};

CommandPrompts* gPrompts = nullptr;

} // namespace

void setCommandPrompts(CommandPrompts* prompts)
{
    gPrompts = prompts;
}

CommandPrompts& commandPromptsInstance()
{
    static HeadlessCommandPrompts headless;
    return gPrompts ? *gPrompts : headless;
}
