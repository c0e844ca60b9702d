#pragma once

#include "platform/Font.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class GraphicsContext;
class MindMap;
class MindMapNode;
class MindMapPaintSelection;

// What an outline lists and shows; bits combine.
enum OutlineOptions : uint64_t {
    OutlineOptionHierarchy = 1,     // indent by level, tree lines
    OutlineOptionNumbering = 2,     // outline number before the text
    OutlineOptionCheckboxes = 4,    // checkbox or progress bar before the text
    OutlineOptionNotes = 8,         // the note under its topic
    OutlineOptionHiddenTopics = 16, // also topics inside collapsed or hidden branches
    OutlineOptionOnlyNotes = 32,
    OutlineOptionOnlyCheckboxes = 64,
    OutlineOptionOnlyUnchecked = 128, // with 64
};

// Lays a map's topics out as paginated text, top to bottom, pages stacked in one document
// coordinate space (y down). A measuring pass counts the pages; the drawing pass collects what each
// page shows, so that any page can then be drawn on its own.
class PdfOutlineGenerator {
public:
    static constexpr double PageMargin = 56.69291338582678; // 2 cm
    static constexpr double LevelIndent = 11.25;
    static constexpr double CheckboxScale = 0.7; // of the topic line height
    static constexpr double CheckboxGap = 3.6;
    static constexpr double NoteGap = 2.25;
    static constexpr double TopicGap = 3.6;
    static constexpr double TreeLineWidth = 0.45;
    static constexpr double TreeStubLength = 2.8125;

    PdfOutlineGenerator(MindMap& mindMap, bool selectionOnly, uint64_t options, Size pageSize);
    ~PdfOutlineGenerator();
    PdfOutlineGenerator(const PdfOutlineGenerator&) = delete;
    PdfOutlineGenerator& operator=(const PdfOutlineGenerator&) = delete;

    // Runs the measuring pass: page count x page height.
    double calculatePageHeight();
    // Runs the drawing pass.
    void generateOutline();
    int64_t pageCount() const { return _pageCount; }
    const Size& pageSize() const { return _pageSize; }

    // Draws one page of the last drawing pass, in the page's own coordinates.
    void drawPage(GraphicsContext& context, int64_t pageIndex) const;

private:
    enum Mode { Measuring = 0, Drawing = 1 };
    struct PageDrawing {
        Rect bounds; // document coordinates
        std::function<void(GraphicsContext&)> draw;
    };

    void buildOutline();
    void startNewPage();
    void checkNewPage(double height);
    void flushCurrentPage();
    Rect emitLine(const std::string& text, const Font& font, double indent);
    void drawCheckbox(const MindMapNode& node, Point origin, Size size);
    void drawHierarchyLines(const MindMapNode& node, const Rect& topicRect);
    void emitPageRect() {}
    void addDrawing(const Rect& bounds, std::function<void(GraphicsContext&)> draw);
    bool listsTopic(const MindMapNode& node) const;

    std::unique_ptr<MindMapPaintSelection> _selection;
    uint64_t _options;
    Mode _mode = Measuring;
    Size _pageSize;
    Rect _pageBounds;
    double _currentTop = 0;
    Rect _topicRect;
    const MindMapNode* _cellNode = nullptr;
    bool _pageFlushed = false;
    int64_t _pageCount = 0;
    int64_t _currentPage = -1;
    Font _topicFont;
    double _topicLineHeight = 0;
    Font _noteFont;

    std::vector<PageDrawing> _drawings;
    // Per page, the indices of the drawings that reach onto it.
    std::vector<std::vector<size_t>> _pageDrawings;
};
