// The viewer's --scene view: the scene dialog opened on a small world built in memory, one
// scene of the class asked for, as the game would show it.
#pragma once

#include "AssetViews.h"

#include <memory>
#include <string_view>

namespace valdmoor {

// The classes the view knows, separated by spaces, for the usage text and errors.
std::string_view SceneGalleryClasses();
// Nil for a class it does not know.
std::unique_ptr<TAssetView> MakeSceneGallery(std::string_view sceneClass);

} // namespace valdmoor
