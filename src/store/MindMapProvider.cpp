#include "store/MindMapProvider.h"

MindMapProvider::~MindMapProvider() = default;
