#include "Utils/AppErrors.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void expectKind(const AppErrorKind& kind, int64_t code, const std::string& description, const std::string& reason)
{
    EXPECT_EQ(kind.code, code);
    EXPECT_EQ(kind.descriptionKey, description);
    EXPECT_EQ(kind.failureReasonKey, reason);
}

TEST(AppErrors, CodesAndKeys)
{
    expectKind(AppErrors::OpenFromFinder, 1, "open_from_finder_error_title", "open_from_finder_error_message");
    expectKind(AppErrors::PasteImageOnlyInTopics, 1, "error_caption", "error_paste_image_only_in_topics");
    expectKind(AppErrors::PasteNoTopicSelected, 1, "error_caption", "error_paste_no_topic_selected");
    expectKind(AppErrors::PasteNoNativeData, 1, "error_caption", "db_unspecified_error");
    expectKind(AppErrors::PasteUnreadableNativeData, 2, "error_caption", "db_unspecified_error");
    expectKind(AppErrors::PropertyListMapUnreadable, 10, "error_caption", "db_unspecified_error");
    expectKind(AppErrors::MindMapUnsupportedFormat, 1, "export_failed_error", "share_handler_unsupported_format_error");
    expectKind(AppErrors::DocumentUnsupportedExportFormat, 2, "export_failed_error",
               "share_handler_unsupported_format_error");
}

} // namespace
