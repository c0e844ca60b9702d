#include "MindMaps/TopicHideTool.h"

namespace {

bool gTopicHasHideTool = false;

} // namespace

void setTopicHasHideTool(bool topicHasHideTool)
{
    gTopicHasHideTool = topicHasHideTool;
}

bool topicHasHideTool()
{
    return gTopicHasHideTool;
}
