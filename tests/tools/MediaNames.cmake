# Every picture, sound, track and effect that the screens, controls and dialogs ask for by name
# is in the game folder, so none of them falls back to the placeholder or to silence.
# Arguments: ORDINARY (the game's Ordinary folder).
set(pictures
    G2AchievementIcons G2Arrows G2BackgroundForm G2BackgroundMap G2Ballon06Filled
    G2Border1020x670 G2Border1600x900 G2Border580x280 G2Border580x660 G2Border700x760
    G2Button200x60 G2Button300x60 G2Button60x60 G2Dots G2Inventory G2LineVertical G2LogoBack
    G2LogoLabel G2Mask G2Particles G2Props G2SiteFocusor G2SiteIcons G2Square06Filled
    G2Square06Outline G2Square09Filled G2Square09Outline G2Square28Border G2Unknown)
set(sounds
    G8AchievementEarned G8ButtonClick G8ButtonFocus G8InputKey G8MapClose G8MapOpen G8Reveal
    G8Reward G8RewardPop G8SceneDialogOpen)
set(music G8MusicMenu G8MusicWorld G8MusicRegion1 G8MusicRegion2 G8MusicRegion3 G8MusicEnding)
set(effects
    G2AchievementCompleted G2Arrows G2ClickWave G2LogoShine G2MapFog G2PropReward G2Site
    G2SiteMain)
# Pictures whose segments the screens pick by frame number, with the count they need.
set(segments
    G2Arrows:4 G2Button60x60:4 G2Button200x60:4 G2Button300x60:4 G2Dots:2 G2Props:5
    G2Inventory:5 G2Mask:50 G2BackgroundMap:111 G2Square09:8 G2Square28Border:8
    G2AchievementIcons:2 G2SiteIcons:3)
# What the shipped world's scenes and props are drawn and played with.
list(APPEND pictures
    G3Props G5Village G5Bog G5Warden G5Forest G5Mill G5Chapel G5Harbour G5Lighthouse G5Island
    G5Beacon G5Crown G5Ending)
list(APPEND sounds
    G8Coins G8Door G8Splash G8Bell G8Whoosh G8Wind G8Chop G8Gulls KWaves KFire KMill KBirds)
list(APPEND segments G3Props:40)

set(missing "")
foreach(name IN LISTS pictures)
    if(NOT EXISTS ${ORDINARY}/${name}.tpx)
        list(APPEND missing ${name}.tpx)
    endif()
endforeach()
foreach(name IN LISTS sounds)
    if(NOT EXISTS ${ORDINARY}/${name}.wav)
        list(APPEND missing ${name}.wav)
    endif()
endforeach()
foreach(name IN LISTS music)
    if(NOT EXISTS ${ORDINARY}/${name}.ogg)
        list(APPEND missing ${name}.ogg)
    endif()
endforeach()
foreach(name IN LISTS effects)
    if(NOT EXISTS ${ORDINARY}/${name}.emt)
        list(APPEND missing ${name}.emt)
    endif()
endforeach()
foreach(entry IN LISTS segments)
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 name)
    list(GET entry 1 needed)
    if(NOT EXISTS ${ORDINARY}/${name}.tsg)
        list(APPEND missing ${name}.tsg)
        continue()
    endif()
    file(STRINGS ${ORDINARY}/${name}.tsg lines REGEX "^SEGMENT ")
    list(LENGTH lines count)
    if(count LESS needed)
        list(APPEND missing "${name}.tsg (${count} segments, ${needed} needed)")
    endif()
endforeach()
if(missing)
    string(REPLACE ";" "\n  " missing "${missing}")
    message(FATAL_ERROR "Missing from ${ORDINARY}:\n  ${missing}")
endif()
