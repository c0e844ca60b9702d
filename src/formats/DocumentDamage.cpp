#include "formats/DocumentDamage.h"

#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/ZipDetection.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"

#include <cstring>
#include <string>
#include <string_view>

namespace DocumentDamage {

namespace {

const char* textKey(Kind kind)
{
    switch (kind) {
    case CutShort:
        return "document_damage_cut_short";
    case NotADocument:
        return "document_damage_not_a_document";
    case TooLarge:
        return "document_damage_too_large";
    case Malformed:
        return "document_damage_malformed";
    case Empty:
        return "document_damage_empty";
    case ForeignDocument:
        return "document_damage_foreign";
    case NoMap:
        return "document_damage_no_map";
    case PackedWithoutDocument:
        return "document_damage_packed";
    }
    return "document_damage_malformed";
}

Error damage(Kind kind, std::string detail)
{
    Error error;
    error.domain = ErrorDomain;
    error.code = kind;
    error.localizedDescription = localized(textKey(kind));
    error.failureReason = std::move(detail);
    return error;
}

// Every XML document begins with "<" once its byte-order mark and white space are passed; text in
// UTF-16 or UTF-32 has its mark or a zero byte beside it.
bool beginsAsXml(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    else if (text.starts_with("\xFE\xFF") || text.starts_with("\xFF\xFE")) return true;
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return false;
    text.remove_prefix(first);
    return text.starts_with("<") || text.starts_with(std::string_view("\0<", 2)) ||
        text.starts_with(std::string_view("\0\0\0<", 4));
}

// Data cut off inside a document leaves the parser stopped in its last tag, attribute or text:
// no further markup begins after where it stopped. Damage inside a document has the rest of the
// document after it.
bool endsUnfinished(std::string_view text, ptrdiff_t offset)
{
    const size_t from = offset < 0 ? 0 : static_cast<size_t>(offset) + 1;
    return from >= text.size() || text.find('<', from) == std::string_view::npos;
}

Error describeDocument(const MindMapData& data, bool packed)
{
    if (data.empty()) return damage(packed ? PackedWithoutDocument : Empty, {});
    pugi::xml_document document;
    Error error;
    if (!TwkxMindMapReader::parseDocument(document, data.data(), data.size(), &error)) return error;
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), TwkxMindMapWriter::RootElementName) != 0)
        return damage(ForeignDocument, std::string("Root element \u201C") + root.name() + "\u201D");
    if (!root.child("mindmap")) return damage(NoMap, {});
    return {};
}

} // namespace

Error parseError(const pugi::xml_parse_result& result, const void* data, size_t size)
{
    const std::string_view text(static_cast<const char*>(data), data ? size : 0);
    Kind kind = Malformed;
    if (!beginsAsXml(text)) kind = NotADocument;
    else if (endsUnfinished(text, result.offset)) kind = CutShort;
    return damage(
        kind, std::string(result.description()) + " at offset " + formatInteger(static_cast<int64_t>(result.offset)));
}

Error describe(const MindMapData& data)
{
    if (!hasPKZIPSignature(data)) return describeDocument(data, false);
    Error archiveError;
    TwkxArchiveReader archive{MindMapData(data), &archiveError};
    std::optional<MindMapData> document = archive.extractMindMapDocument();
    if (!document) return damage(PackedWithoutDocument, archiveError.failureReason);
    return describeDocument(*document, true);
}

Error tooLarge(std::string finding)
{
    return damage(TooLarge, std::move(finding));
}

} // namespace DocumentDamage
