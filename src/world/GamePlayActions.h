// What the player may do on the play screen in the world's present state: which site controls
// take a click, which corner buttons are enabled and where the map button travels. The play
// screen and the world checker both ask here, so a proven path is one a player can click.
#pragma once

#include "world/GameScene.h"

#include <cstdint>
#include <vector>

namespace valdmoor {

class TSite;
class TRegion;
class TAvatar;

struct TPlayActions {
    // Site controls of the current region that are shown and enabled, in the region's order.
    std::vector<TSite*> Sites;
    bool HintButton = false;
    bool InventoryButton = false;
    bool MapButton = false;
    // Where the map button travels: the world map, or back from it; none when it would stay.
    TRegion* MapTarget = nullptr;
};

// A site control is shown for a revealed, open site that was not used up by a visit.
bool SiteControlShown(const TSite& site);
// The corner buttons slide in and the site controls take clicks only while the avatar is idle
// and nothing lies over the play form (HasInput). The story stages 1 to 3 point the player at
// a corner button and hold every site control until it was used.
TPlayActions OfferedPlayActions(const TAvatar& avatar, bool hasInput);

// What the scene dialog lets the player do with a scene. A floating text or loss goes by itself
// (accepted, nothing to press); a floating reward is accepted by clicking it; the other dialogs
// show the type's Accept and Cancel, Accept only while the requirements are met.
struct TSceneActions {
    bool Accept = false;
    bool Cancel = false;
    bool ClosesByItself = false;
};
TSceneActions OfferedSceneActions(const TScene& scene);
// Whether Accept takes these exchange counters: a barter or a make needs one exchange at least.
bool SceneChoicesAcceptable(const TScene& scene, const TChoices& choices);

// The closing of the hint and inventory dialogs: each clears the story stage that pointed at
// its button and records that (kind 12 with 0). Nothing happens in any other stage.
void CloseHintDialog();
void CloseInventoryDialog();

} // namespace valdmoor
