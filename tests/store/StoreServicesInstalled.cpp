#include "store/StoreImageServices.h"

namespace {

// Maps made in these tests take their pictures from the store, as in the application.
const bool servicesInstalled = (StoreImageServices::install(), true);

} // namespace
