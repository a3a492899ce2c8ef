// valdmoor-view --gui: the standard controls in each of their states and the standard dialogs,
// for content authors and for review.
#pragma once

#include <memory>

namespace valdmoor {

class TAssetView;

// Starts the GUI framework and shows the gallery form; the view stops the framework when it
// goes. Its Update runs one GUI frame.
std::unique_ptr<TAssetView> MakeGuiGallery();
// Escape closes an open dialog before it quits the viewer.
bool GalleryDialogOpen();

} // namespace valdmoor
