#include "MindMaps/TopicTextLimit.h"

#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "platform/SpellingService.h"

#include <algorithm>

namespace {

std::string characters(size_t count)
{
    return formatInteger(static_cast<int64_t>(count));
}

} // namespace

size_t TopicTextLimit::characterCount(std::string_view text)
{
    return SpellingWords::characterCount(text);
}

bool TopicTextLimit::fitText(std::string& text, std::string_view previous, Error* error)
{
    // No text of fewer bytes can have more characters.
    if (text.size() <= MaximumCharacters) return true;
    const size_t allowed = std::max(MaximumCharacters, characterCount(previous));
    const size_t total = characterCount(text);
    if (total <= allowed) return true;
    text.resize(SpellingWords::byteOffset(text, allowed));
    return setError(error,
                    MakeAppError(CutErrorCode, localized("topic_text_cut_title"),
                                 localizedFormat("topic_text_cut_reason", {characters(total), characters(allowed)})));
}

bool TopicTextLimit::acceptsCharacters(size_t count, Error* error)
{
    return count <= MaximumCharacters ||
        setError(error,
                 MakeAppError(
                     CutErrorCode, localized("topic_text_refused_title"),
                     localizedFormat("topic_text_refused_reason", {characters(count), characters(MaximumCharacters)})));
}

Error TopicTextLimit::cutTextsError(size_t count)
{
    return MakeAppError(CutErrorCode, localized("topic_text_cut_title"),
                        localizedFormat("topic_texts_cut_reason", {characters(count), characters(MaximumCharacters)}));
}
