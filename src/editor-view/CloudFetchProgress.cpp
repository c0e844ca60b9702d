#include "editor-view/CloudFetchProgress.h"

namespace {

CloudFetchProgress::Presenter& installedPresenter()
{
    static CloudFetchProgress::Presenter presenter;
    return presenter;
}

} // namespace

void CloudFetchProgress::setPresenter(Presenter presenter)
{
    installedPresenter() = std::move(presenter);
}

std::unique_ptr<CloudFetchProgress> CloudFetchProgress::show(int32_t providerType)
{
    const Presenter& presenter = installedPresenter();
    return presenter ? presenter(providerType) : nullptr;
}
