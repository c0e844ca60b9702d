#pragma once

#include "platform/Error.h"

#include <cstdint>

// The application errors in use: each pairs a code with the string-table keys of its description
// and failure reason. Several share a code; the keys tell them apart for the user.
struct AppErrorKind {
    int64_t code;
    const char* descriptionKey;
    const char* failureReasonKey;
};

namespace AppErrors {

// Opening a document that the desktop handed over.
inline constexpr AppErrorKind OpenFromFinder{1, "open_from_finder_error_title", "open_from_finder_error_message"};
// Pasting an image while no topic can take it.
inline constexpr AppErrorKind PasteImageOnlyInTopics{1, "error_caption", "error_paste_image_only_in_topics"};
// Pasting topics while no topic is selected.
inline constexpr AppErrorKind PasteNoTopicSelected{1, "error_caption", "error_paste_no_topic_selected"};
// Pasting from a clipboard that holds no native data.
inline constexpr AppErrorKind PasteNoNativeData{1, "error_caption", "db_unspecified_error"};
// Pasting native data that does not parse or has a foreign root.
inline constexpr AppErrorKind PasteUnreadableNativeData{2, "error_caption", "db_unspecified_error"};
// Reading a map in the older property-list format.
inline constexpr AppErrorKind PropertyListMapUnreadable{10, "error_caption", "db_unspecified_error"};
// A map asked for its data in a format it cannot write.
inline constexpr AppErrorKind MindMapUnsupportedFormat{1, "export_failed_error",
                                                       "share_handler_unsupported_format_error"};
// The editor document asked to export in a format it cannot write.
inline constexpr AppErrorKind DocumentUnsupportedExportFormat{2, "export_failed_error",
                                                              "share_handler_unsupported_format_error"};
// A picture export larger than can be made or than readers accept.
inline constexpr AppErrorKind ExportImageTooLarge{3, "export_failed_error", "export_image_too_large_error"};
// A picture export at a scale, or of a size, that gives no picture.
inline constexpr AppErrorKind ExportImageInvalidSize{4, "export_failed_error", "export_image_invalid_size_error"};
// Drawing or encoding an export failed.
inline constexpr AppErrorKind ExportRenderingFailed{5, "export_failed_error", "db_unspecified_error"};

} // namespace AppErrors

// MakeAppError with the kind's code and its texts looked up in the string table.
Error MakeAppError(const AppErrorKind& kind);
