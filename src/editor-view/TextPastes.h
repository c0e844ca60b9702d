#pragma once

#include "editor-view/TypingUndo.h"
#include "platform/Pasteboard.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The pastes into one edited text, by key, middle click or drop, whose text may come late: another
// program answers when it will. Each goes where it was aimed when it was asked for, moved along by
// the edits made meanwhile, and none goes anywhere once the text it was asked for has gone
// (another text loaded, the edit ended).
class TextPastes {
public:
    // Puts the text in, in place of the range: the one it was aimed at, or none for the selection
    // of the moment.
    using Insert = std::function<void(std::optional<TextRange> range, const std::string& text)>;

    TextPastes() = default;
    TextPastes(const TextPastes&) = delete;
    TextPastes& operator=(const TextPastes&) = delete;

    // Reads the source's plain text and hands it on, when some comes, while the text it was asked
    // for is still edited.
    void read(const Pasteboard& source, std::optional<TextRange> range, Insert insert);
    // Every change of the text, which moves the ranges still waiting.
    void textDidChange(const TextEdit& edit);
    // The text was left: the answers still to come go nowhere.
    void dropReads();

    // Where a range ends up after the edit.
    static TextRange rangeAfterEdit(TextRange range, const TextEdit& edit);

private:
    PasteboardRequester _requester;
    std::vector<std::shared_ptr<TextRange>> _waiting;
};
