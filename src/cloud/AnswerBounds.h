#pragma once

#include "cloud/CacheFiles.h"
#include "platform/HttpEngine.h"

#include <cstdint>

// How much of a cloud service's answer is taken, by what the answer holds. Each bound lies far
// above what the services send, so that no real answer is refused, and is finite, so that a broken
// or hostile server fills neither the memory nor the disk: the HTTP engine stops the transfer there
// and the call fails as other failures of the connection do.
enum class CloudAnswer {
    // The sign-in's tokens: a few kilobytes.
    Token,
    // A JSON document: an item's metadata, one page of a listing or a search (the services hand
    // lists out in pages of at most a few thousand entries), an upload's answer, an error.
    Document,
    // A file's content, written to disk: up to what a cloud file is read to. Any other answer to
    // the download is the service's refusal, a short document.
    File,
};

inline constexpr uint64_t MaximumTokenAnswerSize = uint64_t(1) << 20;
inline constexpr uint64_t MaximumDocumentAnswerSize = uint64_t(64) << 20;
inline constexpr uint64_t MaximumRefusalSize = uint64_t(1) << 20;

// The most of a successful answer of that kind that is taken.
constexpr uint64_t answerBound(CloudAnswer kind)
{
    switch (kind) {
    case CloudAnswer::Token:
        return MaximumTokenAnswerSize;
    case CloudAnswer::Document:
        return MaximumDocumentAnswerSize;
    case CloudAnswer::File:
        return MaximumCloudFileSize;
    }
    return MaximumTokenAnswerSize;
}

// Bounds the request's answer as that kind.
inline void boundAnswer(HttpRequest& request, CloudAnswer kind)
{
    request.maxBodyBytes = kind == CloudAnswer::File ? MaximumRefusalSize : answerBound(kind);
    request.maxDownloadBytes = answerBound(kind);
}
