#pragma once

// The process-wide setting that moves the collapse markers of topics to their other side (the
// editor then shows its hide tool where the marker was). The editor sets it together with its own
// setting; topics read it when they place their collapse marker.
void setTopicHasHideTool(bool topicHasHideTool);
bool topicHasHideTool();
