// The viewer's --scene view: the scene dialog opened on a small world built in memory, one
// scene of the class asked for, as the game would show it.
#pragma once

#include "AssetViews.h"

#include <memory>
#include <string>
#include <string_view>

namespace valdmoor {

// The classes the view knows, separated by spaces, for the usage text and errors.
std::string_view SceneGalleryClasses();
// The scene picture shown when none is named: one of the shipped world's.
constexpr std::string_view DefaultScenePicture = "G5Village";
// Nil for a class it does not know. PictureName is the scene's picture, empty for the default.
std::unique_ptr<TAssetView> MakeSceneGallery(std::string_view sceneClass,
                                             const std::string& pictureName);

} // namespace valdmoor
