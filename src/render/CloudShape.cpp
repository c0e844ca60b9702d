#include "render/CloudShape.h"

// Until the cloud outline is loaded from its resource, a cloud border is drawn as the oval of the
// rectangle: it stays inside the same bounds and keeps the round joins of the real outline.
void AppendCloudShape(BezierPath& path, const Rect& rect)
{
    path.appendOval(rect);
    path.setLineJoinStyle(LineJoinStyle::Round);
}
