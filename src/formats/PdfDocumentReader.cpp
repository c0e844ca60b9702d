#include "formats/PdfDocumentReader.h"

#include "formats/PdfEngine.h"
#include "platform/FileUtils.h"

#include <utility>

PdfDocumentReader::PdfDocumentReader(std::vector<uint8_t> data) : _data(std::move(data))
{
}

PdfDocumentReader::~PdfDocumentReader() = default;

std::unique_ptr<PdfDocumentReader> PdfDocumentReader::openData(std::vector<uint8_t> data)
{
    if (data.empty()) return nullptr;
    const PdfEngine* engine = PdfEngineLoader::get();
    if (!engine) return nullptr;
    std::unique_ptr<PdfDocumentReader> reader(new PdfDocumentReader(std::move(data)));
    reader->_document = engine->openDocument(reader->_data.data(), reader->_data.size());
    if (!reader->_document) return nullptr;
    return reader;
}

std::unique_ptr<PdfDocumentReader> PdfDocumentReader::openFile(const std::string& path)
{
    if (path.empty() || path.find('\0') != std::string::npos) return nullptr;
    std::optional<std::vector<uint8_t>> data = readFileData(path, MaximumFileSize);
    if (!data) return nullptr;
    return openData(std::move(*data));
}

std::string PdfDocumentReader::unavailableReason()
{
    return PdfEngineLoader::get() ? std::string() : PdfEngineLoader::loadError();
}

int PdfDocumentReader::pageCount() const
{
    return _document->pageCount();
}

std::optional<PdfDocumentReader::PageSize> PdfDocumentReader::pageSize(int page) const
{
    return _document->pageSize(page);
}

bool PdfDocumentReader::hasOutline() const
{
    return !outline().empty();
}

std::vector<PdfDocumentReader::OutlineItem> PdfDocumentReader::outline() const
{
    if (!_outline) _outline = _document->outline();
    return *_outline;
}

std::unique_ptr<PdfPageRenderer> PdfDocumentReader::pageRenderer() const
{
    return PdfEngineLoader::get()->openRenderer(_data.data(), _data.size());
}
