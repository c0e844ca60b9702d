#include "editor-view/AudioManager.h"

#include "Utils/FeedbackSink.h"
#include "Utils/LinkLaunchPolicy.h"
#include "Utils/ProtocolUtils.h"
#include "Utils/StringUtils.h"
#include "Utils/URLUtils.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"
#include "store/ProviderProtocols.h"

AudioManager& AudioManager::instance()
{
    static AudioManager* manager = new AudioManager();
    return *manager;
}

void AudioManager::showError(const std::string& message)
{
    feedbackSinkInstance().showEditorNotification(localized("audio_playback_error"), message, FeedbackStateError);
}

void AudioManager::voiceMemoLinkError(const std::string& link)
{
    showError(link);
}

void AudioManager::playbackVoiceMemoLink(const std::string& link, MindMapProvider* provider)
{
    if (!provider || link.empty()) return;
    std::string protocol;
    std::string document;
    if (!ProtocolUtils::convertLink(link, &protocol, &document)) {
        voiceMemoLinkError(link);
        return;
    }
    if (caseInsensitiveEqual(protocol, "local-audio")) {
        showError("Voice memo is not stored in cloud.");
        return;
    }
    if (caseInsensitiveEqual(protocol, ProtocolUtils::CloudProtocol)) {
        if (provider->isLocal()) {
            showError(localized("cannot_open_cloud_voice_memo"));
            return;
        }
    } else {
        provider = providerForProtocol(protocol);
        if (!provider) {
            voiceMemoLinkError(link);
            return;
        }
        if (!provider->enabled()) {
            showError(localizedFormat("not_connected_to_cloud", {provider->title()}));
            return;
        }
    }
    provider->openCloudLink("/" + document);
}

void AudioManager::playback(const std::string& localFilePath)
{
    // The file came down from a cloud storage: it is opened like any linked file, never run. One
    // that would run is only shown, and the failure to play it, told at once, is all the user
    // hears: the file manager's answer adds nothing to it.
    LinkLaunchAction taken = LinkLaunchAction::Refuse;
    if (launchDocumentLink(fileURLWithPath(localFilePath), &taken, nullptr, [](const Error*) {}) &&
        taken == LinkLaunchAction::Open)
        return;
    showError(localizedFormat("audio_playback_failed", {localFilePath}));
}
