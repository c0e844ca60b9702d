#include "formats/TwkxArchiveWriter.h"

#include "MindMaps/ImageStore.h"
#include "MindMaps/MindMapFormats.h"
#include "Utils/GuidCreation.h"
#include "formats/ZipArchive.h"
#include "platform/FileUtils.h"

#include <chrono>
#include <filesystem>
#include <system_error>

TwkxArchiveWriter::TwkxArchiveWriter(const std::string& fileName, bool isTemp)
    : _fileName(fileName), _archive(std::make_unique<ZipArchive>()), _usesTempFile(isTemp)
{
    _archiveOK = _archive->CreateZipFile2(_fileName);
}

std::unique_ptr<TwkxArchiveWriter> TwkxArchiveWriter::initWithTempFile()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    const std::string path = ((error ? std::filesystem::path("/tmp") : folder) / createGUIDString()).string();
    return std::make_unique<TwkxArchiveWriter>(path, true);
}

TwkxArchiveWriter::~TwkxArchiveWriter()
{
    _archive->CloseZipFile2();
    if (_usesTempFile) {
        std::error_code ignored;
        std::filesystem::remove(_fileName, ignored);
    }
}

void TwkxArchiveWriter::addMindMapDocument(const std::string& path)
{
    if (!_archive->addFileToZip(path, TwkxDocumentEntryName)) _archiveOK = false;
}

void TwkxArchiveWriter::addMindMapDocumentData(std::span<const uint8_t> data)
{
    if (!_archive->addDataToZip(data, std::chrono::system_clock::now(), TwkxDocumentEntryName)) _archiveOK = false;
}

void TwkxArchiveWriter::addCustomImages(const std::set<std::string>& hashes, const ImageStore& imageStore)
{
    for (const std::string& hash : hashes) {
        const std::string path = imageStore.customImageFilePath(hash);
        if (path.empty()) continue;
        const std::string entryName =
            std::string(TwkxImagesFolderName) + "/" + std::filesystem::path(path).filename().string();
        _archive->addFileToZip(path, entryName);
    }
}

std::optional<std::vector<uint8_t>> TwkxArchiveWriter::getArchiveData()
{
    const bool closed = _archive->CloseZipFile2();
    if (closed && _archiveOK) {
        // A container larger than a map's file may be would not open again.
        if (auto data = readFileData(_fileName, MaximumMindMapFileSize)) return data;
    }
    _archiveOK = false;
    return std::nullopt;
}
