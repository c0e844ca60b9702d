#pragma once

#include <string>

class MindMapProvider;

// Plays the voice memos the mobile editions record: a memo lives in a cloud storage, whose
// provider downloads it and hands the local file to playback(), which opens it with the desktop's
// default application. Failures are editor notifications.
class AudioManager {
public:
    // Made on first use, kept until the process ends.
    static AudioManager& instance();

    // Nothing without a provider or a link. "local-audio" memos never left the device; "cloud"
    // memos are fetched through the provider given; other protocols name their provider.
    void playbackVoiceMemoLink(const std::string& link, MindMapProvider* provider);
    void voiceMemoLinkError(const std::string& link);
    void playback(const std::string& localFilePath);

private:
    AudioManager() = default;
    void showError(const std::string& message);
};
