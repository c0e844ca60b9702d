#include "Utils/AppErrors.h"

#include "platform/Localizer.h"

Error MakeAppError(const AppErrorKind& kind)
{
    return MakeAppError(kind.code, localized(kind.descriptionKey), localized(kind.failureReasonKey));
}
