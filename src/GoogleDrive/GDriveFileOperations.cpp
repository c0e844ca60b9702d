#include "GoogleDrive/GDriveFileOperations.h"

#include "GoogleDrive/GDriveAuthHelper.h"

GDriveFileOperation::GDriveFileOperation() : _client(&GDriveAuthHelper::sharedHelper().driveService())
{
}

void GDriveFileOperation::cancel()
{
    _call.cancel();
}

GDriveClient::Completion<GDriveMetadata> GDriveFileOperation::adapt(GDriveMetadataCompletion completion)
{
    return [completion](const GDriveResponse<GDriveMetadata>& response) {
        if (!completion) return;
        completion(response.result ? &*response.result : nullptr, response.error ? &*response.error : nullptr);
    };
}

void GDriveFileUpdate::update(const std::string& fileId, const std::string& filePath, const std::string& mimeType,
                              GDriveMetadataCompletion completion)
{
    GDriveFileObject file;
    file.mimeType = mimeType;
    _call = client().updateFile(fileId, file, "", "", GDriveUpload{filePath, mimeType}, GDriveMetadata::FileFields,
                                adapt(std::move(completion)));
}

void GDriveFileCreate::create(const std::string& fileId, const std::string& name, const std::string& parentId,
                              const std::string& filePath, const std::string& mimeType,
                              GDriveMetadataCompletion completion)
{
    GDriveFileObject file;
    file.id = fileId;
    file.name = name;
    // The type goes in the metadata as well as with the content, so that a search by type finds
    // every map uploaded.
    file.mimeType = mimeType;
    if (!parentId.empty()) file.parents = {parentId};
    _call = client().createFile(file, GDriveUpload{filePath, mimeType}, GDriveMetadata::FileFields,
                                adapt(std::move(completion)));
}

void GDriveFileMetadataGet::get(const std::string& fileId, GDriveMetadataCompletion completion)
{
    _call = client().getFile(fileId, GDriveMetadata::FileFields, adapt(std::move(completion)));
}

void GDriveFileDownload::download(const std::string& fileId, const std::string& name, const std::string& savePath,
                                  std::function<void(const GDriveError*)> completion, uint64_t declaredSize)
{
    _call = client().download(fileId, name, savePath, declaredSize,
                              [completion](const GDriveResponse<GDriveDone>& response) {
                                  if (completion) completion(response.error ? &*response.error : nullptr);
                              });
}
