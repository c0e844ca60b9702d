#include "render/PdfOutlineGenerator.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/StringUtils.h"
#include "platform/BezierPath.h"
#include "platform/GraphicsContext.h"
#include "platform/Localizer.h"
#include "platform/TextMeasurer.h"
#include "render/MindMapPaintSelection.h"
#include "render/ProgressIconPainter.h"

#include <algorithm>
#include <cmath>

PdfOutlineGenerator::PdfOutlineGenerator(MindMap& mindMap, bool selectionOnly, uint64_t options, Size pageSize)
    : _options(options), _pageSize(pageSize)
{
    mindMap.validateElementStates();
    _selection = MindMapPaintSelection::mindMapPaintSelection(mindMap, selectionOnly);
    _topicFont = StyleSheet::outlineFont();
    _topicLineHeight = TextMeasurer::shared().sizeForText("", _topicFont).height;
    _noteFont = Font(_topicFont.familyName(), _topicFont.pointSize(), false, _topicFont.isItalic(), 5);
    _pageBounds = Rect(PageMargin, PageMargin, pageSize.width - 2 * PageMargin, pageSize.height - 2 * PageMargin);
}

PdfOutlineGenerator::~PdfOutlineGenerator() = default;

double PdfOutlineGenerator::calculatePageHeight()
{
    _mode = Measuring;
    buildOutline();
    return double(_pageCount) * _pageSize.height;
}

void PdfOutlineGenerator::generateOutline()
{
    _mode = Drawing;
    _drawings.clear();
    buildOutline();
    _pageDrawings.assign(size_t(_pageCount), {});
    for (size_t i = 0; i < _drawings.size(); ++i) {
        const Rect& bounds = _drawings[i].bounds;
        const double first = std::floor(bounds.minY() / _pageSize.height);
        const double last = std::ceil(bounds.maxY() / _pageSize.height) - 1;
        for (double page = std::max(first, 0.0); page <= std::min(last, double(_pageCount - 1)); ++page)
            _pageDrawings[size_t(page)].push_back(i);
        if (first >= 0 && first < double(_pageCount) && last < first) _pageDrawings[size_t(first)].push_back(i);
    }
}

void PdfOutlineGenerator::drawPage(GraphicsContext& context, int64_t pageIndex) const
{
    if (pageIndex < 0 || size_t(pageIndex) >= _pageDrawings.size()) return;
    context.save();
    context.clipToRect(Rect(Point(), _pageSize));
    context.translate(0, -double(pageIndex) * _pageSize.height);
    for (size_t i : _pageDrawings[size_t(pageIndex)]) _drawings[i].draw(context);
    context.restore();
}

void PdfOutlineGenerator::addDrawing(const Rect& bounds, std::function<void(GraphicsContext&)> draw)
{
    _drawings.push_back({bounds, std::move(draw)});
}

bool PdfOutlineGenerator::listsTopic(const MindMapNode& node) const
{
    if ((_options & OutlineOptionOnlyNotes) && node.note().empty()) return false;
    if (!(_options & OutlineOptionHiddenTopics) && !node.isVisible()) return false;
    if (_options & OutlineOptionOnlyCheckboxes) {
        if (!node.showCheckbox()) return false;
        if ((_options & OutlineOptionOnlyUnchecked) && node.checkedState() != 0) return false;
    }
    return true;
}

void PdfOutlineGenerator::buildOutline()
{
    std::vector<MindMapNode*> topics;
    for (MindMapNode* root : _selection->roots()) root->collectNodeAndChildrenInArray(topics);
    _pageCount = 0;
    _currentPage = -1;
    startNewPage();
    const double checkboxSide = _topicLineHeight * CheckboxScale;
    const std::string emptyTopicText = localized("outline_cell_empty_topic");

    for (const MindMapNode* topic : topics) {
        if (!listsTopic(*topic)) continue;
        const bool withCheckbox = (_options & OutlineOptionCheckboxes) && topic->showCheckbox();
        double indent = (_options & OutlineOptionHierarchy) ? double(topic->nodeLevel()) * LevelIndent : 0;
        if (withCheckbox) indent += checkboxSide + CheckboxGap;

        std::string text = topic->displayText().string();
        std::replace(text.begin(), text.end(), '\n', ' ');
        if (text.empty()) text = emptyTopicText;
        if (_options & OutlineOptionNumbering) text = topic->calcAutoNumberPath() + " " + text;

        Rect topicRect = emitLine(text, _topicFont, indent);
        if (withCheckbox)
            drawCheckbox(*topic,
                         Point{topicRect.minX() - checkboxSide - CheckboxGap,
                               topicRect.minY() + (_topicLineHeight - checkboxSide) / 2},
                         Size{checkboxSide, checkboxSide});

        _pageFlushed = false;
        if ((_options & OutlineOptionNotes) && !topic->note().empty()) {
            _cellNode = topic;
            _topicRect = topicRect;
            _currentTop += NoteGap;
            emitLine(trimWhitespaceAndNewlines(topic->note()), _noteFont, indent + LevelIndent);
        }
        _cellNode = nullptr;
        if (!_pageFlushed) _currentTop += TopicGap;
        else topicRect = Rect(topicRect.minX(), _pageBounds.minY(), topicRect.width(), 0);
        drawHierarchyLines(*topic, topicRect);
    }
    flushCurrentPage();
}

void PdfOutlineGenerator::startNewPage()
{
    const int64_t previousPages = _pageCount;
    ++_currentPage;
    ++_pageCount;
    _pageBounds.origin.y = double(previousPages) * _pageSize.height + PageMargin;
    _currentTop = _pageBounds.minY();
}

void PdfOutlineGenerator::checkNewPage(double height)
{
    // A text taller than a page that already starts at a page's top stays there and runs over its
    // bottom: breaking first would only leave an empty page behind.
    if (_currentTop + height > _pageBounds.maxY() && _currentTop > _pageBounds.minY()) {
        flushCurrentPage();
        startNewPage();
        if (_cellNode) _topicRect = Rect(_topicRect.minX(), _pageBounds.minY(), _topicRect.width(), 0);
    }
}

void PdfOutlineGenerator::flushCurrentPage()
{
    if (!_cellNode) return;
    const double top = _currentTop;
    _currentTop = _pageBounds.maxY();
    drawHierarchyLines(*_cellNode, _topicRect);
    _currentTop = top;
    _pageFlushed = true;
}

Rect PdfOutlineGenerator::emitLine(const std::string& text, const Font& font, double indent)
{
    TextAttributes attributes;
    attributes.font = font;
    attributes.color = Color::black();
    AttributedString attributed(text, attributes);
    const double width = std::max(_pageBounds.width() - indent, 1.0);
    const Size used = TextMeasurer::shared().sizeForAttributedString(attributed, width);
    checkNewPage(used.height);
    const Point origin{_pageBounds.minX() + indent, _currentTop};
    if (_mode == Drawing && !text.empty()) {
        addDrawing(Rect(origin, used), [attributed = std::move(attributed), origin, width](GraphicsContext& context) {
            context.drawText(attributed, origin, width);
        });
    }
    _currentTop += used.height;
    return Rect(origin, used);
}

void PdfOutlineGenerator::drawCheckbox(const MindMapNode& node, Point origin, Size size)
{
    if (_mode != Drawing) return;
    const int64_t progress = node.progress();
    const int32_t mode = node.checkboxMode();
    const Rect rect(origin, size);
    addDrawing(rect, [progress, mode, rect](GraphicsContext& context) {
        ProgressIconPainter painter;
        painter.setGrayScale(true);
        painter.setProgress(progress);
        painter.setCheckboxMode(mode);
        painter.draw(context, rect);
    });
}

void PdfOutlineGenerator::drawHierarchyLines(const MindMapNode& node, const Rect& r)
{
    if (_mode != Drawing || !(_options & OutlineOptionHierarchy) ||
        (_options & (OutlineOptionOnlyNotes | OutlineOptionOnlyCheckboxes | OutlineOptionOnlyUnchecked)))
        return;
    const int64_t level = node.nodeLevel();
    const double x0 = _pageBounds.minX();
    const auto column = [&](double i) { return x0 + (i + 0.5) * LevelIndent; };
    BezierPath lines;
    const auto line = [&](Point from, Point to) {
        lines.moveTo(from);
        lines.lineTo(to);
    };

    const MindMapNode* ancestor = node.parent();
    for (int64_t i = level - 2; i >= 0 && ancestor; --i, ancestor = ancestor->parent())
        if (!ancestor->isLastChild()) line({column(double(i)), r.minY()}, {column(double(i)), _currentTop});

    if (!node.note().empty() && node.childCount() > 0) {
        const double top = _pageFlushed ? _pageBounds.minY() : r.maxY() + NoteGap;
        line({column(double(level)), top}, {column(double(level)), _currentTop});
    }

    if (node.parent()) {
        const double x = column(double(level - 1));
        if (node.isLastChild()) {
            if (!_pageFlushed) {
                lines.moveTo({x, r.minY()});
                lines.lineTo({x, r.midY()});
                lines.lineTo({x + TreeStubLength, r.midY()});
            }
        } else {
            line({x, r.minY()}, {x, _currentTop});
            if (!_pageFlushed) line({x, r.midY()}, {x + TreeStubLength, r.midY()});
        }
    }
    if (lines.isEmpty()) return;
    lines.setLineWidth(TreeLineWidth);
    Rect bounds = insetRect(lines.controlPointBounds(), -TreeLineWidth, -TreeLineWidth);
    addDrawing(bounds, [lines = std::move(lines)](GraphicsContext& context) {
        context.strokePath(lines, StrokeStyle::solid(materialGrey500()));
    });
}
