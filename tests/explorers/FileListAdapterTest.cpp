#include "explorers/FileListAdapter.h"
#include "FileListTestSupport.h"
#include "Utils/StringUtils.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include <cairo.h>

#include <gtest/gtest.h>

namespace {

struct Fixture {
    RecordingFileListTable table;
    RecordingFileListDelegate delegate;
    FileListAdapter adapter{&delegate};

    Fixture()
    {
        adapter.setTableView(&table);
        adapter.assignItems({
            makeItem(FileListItemType::Folder, "Projects", "/Projects"),
            makeItem(FileListItemType::NativeMindMap, "agenda.twkx", "/agenda.twkx"),
            makeItem(FileListItemType::Image, "photo.jpeg", "/photo.jpeg"),
            makeItem(FileListItemType::OtherFile, "README", "/README"),
            makeItem(FileListItemType::NavigateUp, "..", "/.."),
        });
    }
};

} // namespace

TEST(FileListAdapterTest, ByteCountsAreCountedInWholeNumbers)
{
    struct Case {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes"},
        {1, "1 byte"},
        {1023, "1023 bytes"},
        {1024, "1.0 kB"},
        {1536, "1.5 kB"},
        {1048575, "1024.0 kB"},
        {1048576, "1.0 MB"},
        {1073741824, "1.0 GB"},
        {1099511627776, "1.0 TB"},
        {1ull << 50, "1.0 PB"},
        {1ull << 60, "1.0 EB"},
        {UINT64_MAX, "16.0 EB"},
        {1024 * 1024 * 5 / 2, "2.5 MB"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, FileListAdapter::humanReadableByteCount(c.bytes)) << c.bytes;
}

TEST(FileListAdapterTest, RenamingInPlaceKeepsTheExtensionAndSendsOnlyNewNames)
{
    Fixture f;
    EXPECT_EQ("minutes.twkx", f.adapter.cellEndEdit(1, "minutes"));
    EXPECT_EQ(std::nullopt, f.adapter.cellEndEdit(1, "agenda"));
    EXPECT_EQ(std::nullopt, f.adapter.cellEndEdit(1, " . ")) << "a name of nothing but its extension";
    EXPECT_EQ("Plans", f.adapter.cellEndEdit(0, "Plans?"));
    EXPECT_EQ("INFO", f.adapter.cellEndEdit(3, "INFO"));
    EXPECT_EQ(std::nullopt, f.adapter.cellEndEdit(4, "up")) << "the way up";
    EXPECT_EQ(std::nullopt, f.adapter.cellEndEdit(9, "beyond"));
    EXPECT_EQ((std::vector<std::string>{"agenda.twkx -> minutes.twkx", "Projects -> Plans", "README -> INFO"}),
              f.delegate.renames);

    // An edit ended by the adapter itself, or by a reload, renames nothing.
    f.table.duringReload = [&] { EXPECT_EQ(std::nullopt, f.adapter.cellEndEdit(1, "during reload")); };
    f.adapter.assignItems(f.adapter.items());
    EXPECT_EQ(3u, f.delegate.renames.size());

    EXPECT_TRUE(f.adapter.shouldEditRow(1));
    EXPECT_FALSE(f.adapter.shouldEditRow(4));
    EXPECT_FALSE(f.adapter.rowAt(4).editable);
    f.delegate.allowEditing = false;
    EXPECT_FALSE(f.adapter.shouldEditRow(1));
    f.delegate.allowEditing = true;
    f.adapter.setReadOnly(true);
    EXPECT_FALSE(f.adapter.shouldEditRow(1));
    EXPECT_FALSE(f.adapter.rowAt(1).editable);
    EXPECT_EQ(std::nullopt, f.adapter.cellEndEdit(1, "minutes"));
}

TEST(FileListAdapterTest, AssigningReplacesEndsEditsAndReloads)
{
    Fixture f;
    const int reloads = f.table.reloads;
    const int ended = f.table.editsEnded;
    f.adapter.assignItems({makeItem(2, "x")}, true);
    EXPECT_TRUE(f.adapter.isSearching());
    EXPECT_EQ(1u, f.adapter.numberOfRows());
    EXPECT_EQ(reloads + 1, f.table.reloads);
    EXPECT_EQ(ended + 1, f.table.editsEnded);
    EXPECT_FALSE(f.adapter.isCancellingEdit());
    f.adapter.removeAllObjects();
    EXPECT_FALSE(f.adapter.isSearching());
    EXPECT_EQ(0u, f.adapter.numberOfRows());
    EXPECT_EQ(reloads + 2, f.table.reloads);
    f.adapter.assignItems({});
    EXPECT_EQ(0u, f.adapter.numberOfRows());
}

TEST(FileListAdapterTest, RowsShowKindHeightsDetailsAndGreyedFiles)
{
    Fixture f;
    f.adapter.items()[1]->setSize(1536);
    f.adapter.items()[1]->setOfflineAvailable(true);
    const FileListRow folder = f.adapter.rowAt(0);
    EXPECT_EQ(FileListRow::View::Folder, folder.view);
    EXPECT_EQ("folder-icon", folder.imageName);
    EXPECT_EQ(18.0, folder.height);
    EXPECT_EQ("", folder.details);

    const FileListRow map = f.adapter.rowAt(1);
    EXPECT_EQ(FileListRow::View::File, map.view);
    EXPECT_EQ("agenda.twkx", map.text);
    EXPECT_EQ("agenda", map.editingText);
    EXPECT_EQ("tw-icon-16x16", map.imageName);
    EXPECT_EQ("star", map.disclosureImageName);
    EXPECT_EQ(f.adapter.sizeText() + " 1.5 kB", map.details) << "no date known";
    f.adapter.items()[1]->setModified(std::chrono::system_clock::from_time_t(1700000000));
    const std::string dated = f.adapter.rowAt(1).details;
    EXPECT_EQ(DateFormatter::shared().mediumDateShortTimeString(std::chrono::system_clock::from_time_t(1700000000)) +
                  " " + f.adapter.sizeText() + " 1.5 kB",
              dated);
    EXPECT_EQ(lowercased(localized("node_style_dialog_font_size_label")), f.adapter.sizeText());
    EXPECT_EQ(31.0, map.height);
    EXPECT_EQ("", f.adapter.rowAt(3).disclosureImageName);
    EXPECT_EQ("folder_back", f.adapter.rowAt(4).imageName);
    EXPECT_TRUE(f.delegate.fetched.empty()) << "no thumbnails asked for while they are off";

    f.adapter.assignItems({makeItem(4, "deep.twkx", "/a/b/deep.twkx"), makeItem(4, "top.twkx", "/top.twkx")}, true);
    EXPECT_EQ("/a/b", f.adapter.rowAt(0).details);
    EXPECT_EQ("/", f.adapter.rowAt(1).details);

    f.adapter.setDisplayFilesGrayed(true);
    f.adapter.assignItems({makeItem(2, "Folder"), makeItem(4, "m.twkx")});
    EXPECT_FALSE(f.adapter.rowAt(0).greyText);
    EXPECT_FALSE(f.adapter.rowAt(0).dimmedImage);
    EXPECT_TRUE(f.adapter.rowAt(1).greyText);
    EXPECT_TRUE(f.adapter.rowAt(1).dimmedImage);
}

TEST(FileListAdapterTest, ThumbnailsAreAskedForAndMakeTallRows)
{
    Fixture f;
    f.table.selection = {2};
    f.adapter.setShowThumbnails(true);
    EXPECT_EQ((std::vector<size_t>{2}), f.table.selection) << "kept over the reload";
    EXPECT_EQ((std::vector<size_t>{2}), f.table.scrolledTo);
    EXPECT_EQ(FileListRow::View::WideFile, f.adapter.rowAt(1).view);
    EXPECT_EQ((std::vector<std::string>{"agenda.twkx"}), f.delegate.fetched);
    EXPECT_EQ(18.0, f.adapter.heightOfRow(0));
    f.adapter.items()[1]->setThumbnail(std::make_shared<Image>(64, 48));
    const FileListRow withThumbnail = f.adapter.rowAt(1);
    EXPECT_EQ(FileListRow::View::FileWithThumbnail, withThumbnail.view);
    EXPECT_EQ(73.0, withThumbnail.height);
    EXPECT_EQ(73.0, f.adapter.heightOfRow(1));
    EXPECT_TRUE(withThumbnail.thumbnail);

    f.adapter.items()[1]->setThumbnailUnavailable(true);
    f.adapter.items()[2]->setThumbnail(std::make_shared<Image>(8, 8));
    f.adapter.invalidateThumbnails();
    EXPECT_FALSE(f.adapter.items()[1]->thumbnail()) << "native maps fetch theirs again";
    EXPECT_FALSE(f.adapter.items()[1]->thumbnailUnavailable());
    EXPECT_TRUE(f.adapter.items()[2]->thumbnail()) << "other files keep theirs";
}

TEST(FileListAdapterTest, RowsDragOntoFoldersOnlyAndTheWayUpNeverMoves)
{
    Fixture f;
    EXPECT_FALSE(f.adapter.writeRows({1})) << "no drag type";
    f.adapter.setDragDataFormat("com.example.files");
    EXPECT_EQ("com.example.files", f.table.draggedType);

    auto drag = f.adapter.writeRows({1});
    ASSERT_TRUE(drag);
    EXPECT_EQ((std::vector<std::string>{"com.example.files"}), drag->types);
    EXPECT_EQ("/agenda.twkx", drag->path);
    EXPECT_EQ(DragOperation::Move, f.adapter.validateDrop(true, 0, drag->path));
    EXPECT_EQ(DragOperation::None, f.adapter.validateDrop(false, 0, drag->path)) << "from elsewhere";
    EXPECT_EQ(DragOperation::None, f.adapter.validateDrop(true, 2, drag->path)) << "onto a file";
    EXPECT_EQ(DragOperation::None, f.adapter.validateDrop(true, 4, drag->path)) << "onto the way up";
    EXPECT_EQ(DragOperation::None, f.adapter.validateDrop(true, 7, drag->path)) << "no such row";
    EXPECT_EQ(DragOperation::None, f.adapter.validateDrop(true, 0, std::nullopt));
    EXPECT_EQ(DragOperation::None, f.adapter.validateDrop(true, 0, "/projects")) << "onto itself, any case";
    f.adapter.setCaseSensitive(true);
    EXPECT_EQ(DragOperation::Move, f.adapter.validateDrop(true, 0, "/projects"));
    EXPECT_FALSE(f.adapter.acceptDrop(true, 0, "/projects")) << "no such item";
    EXPECT_TRUE(f.adapter.acceptDrop(true, 0, drag->path));
    EXPECT_EQ((std::vector<std::string>{"/agenda.twkx -> /Projects"}), f.delegate.moves);

    EXPECT_FALSE(f.adapter.writeRows({4})) << "the way up is never dragged";
    EXPECT_FALSE(f.adapter.acceptDrop(true, 0, "/..")) << "nor moved";
    EXPECT_FALSE(f.adapter.writeRows({}));
    EXPECT_EQ(1u, f.delegate.moves.size());

    drag = f.adapter.writeRows({2});
    ASSERT_TRUE(drag);
    EXPECT_EQ(1u, drag->types.size()) << "images go to the editor only when the owner allows";
    f.delegate.allowImageDrag = true;
    drag = f.adapter.writeRows({2});
    EXPECT_EQ((std::vector<std::string>{"com.example.files", "com.orrinworks.tarnwickpro.cloudimage"}), drag->types);

    f.adapter.assignItems(f.adapter.items(), true);
    EXPECT_FALSE(f.adapter.writeRows({1})) << "not while searching";
    EXPECT_EQ(DragOperation::None, f.adapter.validateDrop(true, 0, "/agenda.twkx")) << "a new listing ends the drag";
    f.adapter.setDragDataFormat(std::nullopt);
    EXPECT_EQ(std::nullopt, f.table.draggedType);
}

TEST(FileListAdapterTest, TypeImagesAndTheirDimmedCopies)
{
    struct Case {
        int32_t type;
        const char* name;
    } cases[] = {{2, "folder-icon"},       {4, "tw-icon-16x16"}, {8, "opml"},         {16, "freemind"},
                 {32, "gallery-color-16"}, {64, "pdf_icon_16"},  {128, "page_white"}, {256, "folder_back"}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.name, FileListAdapter::typeImageNameForFileType(c.type));
        FileListItem item(c.type);
        const auto image = FileListAdapter::typeImageForItem(item);
        ASSERT_TRUE(image && !image->isNull()) << c.name;
        const auto dimmed = FileListAdapter::dimmedTypeImageForItem(item);
        ASSERT_TRUE(dimmed && !dimmed->isNull()) << c.name;
        EXPECT_EQ(image->pixelSize(), dimmed->pixelSize());
        EXPECT_EQ(dimmed, FileListAdapter::dimmedTypeImageForItem(item)) << "made once";
    }
    // Every pixel keeps 0.4 of its coverage.
    FileListItem folder(FileListItemType::Folder);
    const auto image = FileListAdapter::typeImageForItem(folder);
    const auto dimmed = FileListAdapter::dimmedTypeImageForItem(folder);
    cairo_surface_flush(image->surface());
    cairo_surface_flush(dimmed->surface());
    const unsigned char* original = cairo_image_surface_get_data(image->surface());
    const unsigned char* faded = cairo_image_surface_get_data(dimmed->surface());
    int opaque = 0;
    for (int y = 0; y < image->pixelHeight(); ++y)
        for (int x = 0; x < image->pixelWidth(); ++x) {
            const int alpha = original[y * cairo_image_surface_get_stride(image->surface()) + 4 * x + 3];
            const int fadedAlpha = faded[y * cairo_image_surface_get_stride(dimmed->surface()) + 4 * x + 3];
            EXPECT_NEAR(alpha * 0.4, fadedAlpha, 1.0);
            if (alpha == 255) ++opaque;
        }
    EXPECT_GT(opaque, 0);
}
