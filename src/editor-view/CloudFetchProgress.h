#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// Tells the user that a picture is being fetched from the cloud, from the start of the fetch until
// the picture, or its failure, arrives. The shell above installs its window; without one nothing
// shows and the fetch goes on alone.
class CloudFetchProgress {
public:
    virtual ~CloudFetchProgress() = default;
    virtual void close() = 0;

    // Makes and shows a progress window for a fetch from the provider of that type, which the
    // window names.
    using Presenter = std::function<std::unique_ptr<CloudFetchProgress>(int32_t providerType)>;
    static void setPresenter(Presenter presenter);
    // A new window, shown; nullptr while none is installed.
    static std::unique_ptr<CloudFetchProgress> show(int32_t providerType);
};
