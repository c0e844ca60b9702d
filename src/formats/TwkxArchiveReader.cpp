#include "formats/TwkxArchiveReader.h"

#include "MindMaps/ImageStore.h"
#include "Utils/StringUtils.h"
#include "formats/TwkxArchiveWriter.h"
#include "formats/UnzipArchive.h"
#include "platform/FileUtils.h"
#include "platform/Utf8.h"

#include <filesystem>
#include <system_error>

namespace {

bool itemExists(const std::string& path)
{
    std::error_code error;
    // A dangling symbolic link counts too: the image is never written through it.
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

} // namespace

TwkxArchiveReader::TwkxArchiveReader(const std::string& fileName, bool isTemp, Error* error)
    : _fileName(fileName), _archive(std::make_unique<UnzipArchive>()), _usesTempFile(isTemp)
{
    if (_archive->UnzipOpenFile(_fileName, error)) _archive->readContainedFiles(_files);
}

TwkxArchiveReader::TwkxArchiveReader(std::vector<uint8_t> data, Error* error)
    : _archive(std::make_unique<UnzipArchive>())
{
    if (_archive->UnzipOpenData(std::move(data), error)) _archive->readContainedFiles(_files);
}

TwkxArchiveReader::~TwkxArchiveReader()
{
    _archive->UnzipCloseFile();
    if (_usesTempFile) {
        std::error_code ignored;
        std::filesystem::remove(_fileName, ignored);
    }
}

bool TwkxArchiveReader::isOpen() const
{
    return _archive->isOpen();
}

std::optional<std::vector<uint8_t>> TwkxArchiveReader::extractMindMapDocument()
{
    return extractFile(TwkxDocumentEntryName);
}

std::optional<std::vector<uint8_t>> TwkxArchiveReader::extractFile(const std::string& name)
{
    return _archive->extractFileData(name);
}

std::vector<std::string> TwkxArchiveReader::importCustomImages(ImageStore& imageStore)
{
    std::vector<std::string> skipped;
    // By index: looking each name up again would read the directory once per picture.
    for (size_t index = 0; index < _archive->entryCount(); ++index) {
        const std::string& name = _archive->entryName(index);
        if (!Utf8::isValid(name) || name.find('\0') != std::string::npos) continue;
        const size_t slash = name.rfind('/');
        if (slash == std::string::npos) continue;
        if (!caseInsensitiveEqual(std::string_view(name).substr(0, slash), TwkxImagesFolderName)) continue;
        const std::string fileName = name.substr(slash + 1);
        const size_t dot = fileName.rfind('.');
        if (dot == std::string::npos || !caseInsensitiveEqual(std::string_view(fileName).substr(dot + 1), "png")) {
            continue;
        }
        const std::string hash = fileName.substr(0, dot);
        // The store answers a path only for a real hash, so no entry name reaches its folder's
        // outside.
        const std::string path = imageStore.customImageFilePath(hash);
        if (path.empty()) {
            skipped.push_back(name);
            continue;
        }
        if (itemExists(path)) continue;
        const auto data = _archive->extractEntryData(index);
        // Under another picture's name it would stand in for that picture for good; the store
        // also keeps only what decodes.
        if (!data || imageStore.storeImagePngDataNamed(*data, hash).empty()) skipped.push_back(name);
    }
    return skipped;
}
