#include "MindMaps/DocumentInformation.h"

void DocumentInformation::reset()
{
    _loadedGuid.clear();
    _loadedVersion = -1;
    _defaultTheme.clear();
    _isNewMap = false;
}
