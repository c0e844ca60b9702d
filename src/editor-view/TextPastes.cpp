#include "editor-view/TextPastes.h"

#include <algorithm>

void TextPastes::read(const Pasteboard& source, std::optional<TextRange> range, Insert insert)
{
    std::shared_ptr<TextRange> aim;
    if (range) _waiting.push_back(aim = std::make_shared<TextRange>(*range));
    source.read({Pasteboard::StringType}, _requester,
                [this, aim, insert = std::move(insert)](const Pasteboard& contents) {
                    if (aim) std::erase(_waiting, aim);
                    const std::optional<std::string> text = contents.stringForType(Pasteboard::StringType);
                    if (text) insert(aim ? std::optional<TextRange>(*aim) : std::nullopt, *text);
                });
}

void TextPastes::textDidChange(const TextEdit& edit)
{
    for (const std::shared_ptr<TextRange>& aim : _waiting) *aim = rangeAfterEdit(*aim, edit);
}

void TextPastes::dropReads()
{
    _requester.dropReads();
    _waiting.clear();
}

TextRange TextPastes::rangeAfterEdit(TextRange range, const TextEdit& edit)
{
    const size_t removed = utf16Length(edit.removed);
    const size_t inserted = utf16Length(edit.inserted);
    // Text put in where the range starts goes before it, as typing before a caret does.
    if (edit.location + removed <= range.location) return {range.location - removed + inserted, range.length};
    if (edit.location >= range.end()) return range;
    // An edit of the range itself leaves the place after what it put in.
    return {edit.location + inserted, 0};
}
