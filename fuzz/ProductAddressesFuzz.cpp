// The product's addresses read from whatever the resource file holds: reading must not crash, and
// every value taken must pass its own check, so that nothing else reaches the browser or the mail
// program.
#include "Editor/ApplicationActions.h"
#include "Editor/ProductAddresses.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ProductAddresses addresses =
        ProductAddresses::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const std::string* page :
         {&addresses.faq, &addresses.homePage, &addresses.editorHelp, &addresses.newFeatures, &addresses.videoChannel})
        if (!page->empty() && !ProductAddresses::isWebAddress(*page)) std::abort();
    if (!addresses.supportMail.empty() && !ProductAddresses::isMailAddress(addresses.supportMail)) std::abort();
    const std::string url =
        ApplicationActions::feedbackUrl(addresses.supportMail, std::string(reinterpret_cast<const char*>(data), size));
    if (url.find_first_of(" \r\n#&", url.find("subject=")) != std::string::npos && !url.empty()) std::abort();
    return 0;
}
