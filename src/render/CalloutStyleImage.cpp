#include "render/CalloutStyleImage.h"

std::string CalloutStyleImage(uint64_t calloutStyle)
{
    switch (calloutStyle) {
    case 0:
        return "callout_none_16";
    case 1:
        return "callout_tapered_16";
    case 2:
        return "callout_line_16";
    default:
        return {};
    }
}
