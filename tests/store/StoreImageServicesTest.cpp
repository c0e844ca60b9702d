#include "store/StoreImageServices.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/StockIcon.h"
#include "store/CustomImageStore.h"
#include "store/StockIcons.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Maps made in these tests take their pictures from the store, as in the application.
const bool servicesInstalled = (StoreImageServices::install(), true);

TEST(StoreImageServicesTest, NewMapsAndStockIconsTakeTheStoresPictures)
{
    TempDir folder;
    const auto local = CustomImageStore::initLocalImageStore(folder.file("Images"));
    MindMap map;
    EXPECT_EQ(map.imageStore(), local.get());

    const auto picture = std::make_shared<const Image>(32, 32);
    StockIcons::instance().defineRuntimeIcon("store-image-services-test", picture);
    EXPECT_EQ(StockIcon("store-image-services-test").image(), picture);
}

} // namespace
