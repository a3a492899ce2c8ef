# Every SVG picture of the game, with its raster size and segment layout.

# Nine-part boxes: eight pieces, each C x C in a cell padded to C + 2 (valdmoor_pieces).
function(valdmoor_pieces variable corner)
    set(rects "")
    foreach(i RANGE 7)
        math(EXPR x "${i} * (${corner} + 2) + 1")
        list(APPEND rects --rect ${x},1,${corner},${corner})
    endforeach()
    set(${variable} ${rects} PARENT_SCOPE)
endfunction()
valdmoor_pieces(pieces09 9)
valdmoor_pieces(pieces28 28)
# Every "G2Square09..." picture shares the segments of "G2Square09".
valdmoor_picture(G2Square09Filled 88 11 SEGMENTS G2Square09 PACK ${pieces09})
valdmoor_picture(G2Square09Outline 88 11)
valdmoor_picture(G2Square28Border 240 30 PACK ${pieces28})
valdmoor_picture(G2LineVertical 8 32)

# The game's buttons: four frames side by side (highlight at rest, highlight hovered, face,
# disabled face).
valdmoor_picture(G2Button60x60 240 60 PACK --grid 4x1)
valdmoor_picture(G2Button200x60 800 60 PACK --grid 4x1)
valdmoor_picture(G2Button300x60 1200 60 PACK --grid 4x1)

# Backgrounds and the frames laid over dialogs and forms of each size.
valdmoor_picture(G2BackgroundForm 1024 576)
foreach(size IN ITEMS 580x280 580x660 700x760 1020x670 1600x900)
    string(REPLACE "x" ";" wh ${size})
    valdmoor_picture(G2Border${size} ${wh})
endforeach()

# Pointers, steps and tiles.
valdmoor_picture(G2Arrows 256 64 PACK --grid 4x1)
valdmoor_picture(G2Dots 64 32 PACK --grid 2x1)
valdmoor_picture(G2Props 480 96 PACK --grid 5x1)
valdmoor_picture(G2Inventory 450 90 PACK --grid 5x1)
valdmoor_picture(G2SiteIcons 256 192 PACK --grid 4x3)
valdmoor_picture(G2SiteFocusor 64 64)
valdmoor_picture(G2AchievementIcons 512 192 PACK --grid 8x2)

# The title logo: the banner and the lettering, drawn as two layers of one sprite.
valdmoor_picture(G2LogoBack 640 240)
valdmoor_picture(G2LogoLabel 640 240)

# The map's mask tiles (alpha only), written from the tile table by a script.
set(mask_svg ${CMAKE_CURRENT_BINARY_DIR}/G2Mask.svg)
add_custom_command(OUTPUT ${mask_svg}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${mask_svg} -P ${CMAKE_CURRENT_SOURCE_DIR}/MaskTiles.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/MaskTiles.cmake
    COMMENT "Writing G2Mask.svg from the tile table" VERBATIM)
valdmoor_picture(G2Mask 1600 400 SOURCE ${mask_svg} PACK --format A8 --grid 10x5)

# Pictures of props for the world to pick by frame: full colour, sixteen in a 4 x 4 grid.
valdmoor_picture(G2PropIcons 384 384 PACK --grid 4x4)

# The shipped world's props: forty in an 8 x 5 grid of 96 x 96, picked by frame.
valdmoor_picture(G3Props 768 480 PACK --grid 8x5)

# Scene pictures, at the size the scene dialog shows them over its text (400 x 260); beside the
# text they are shown smaller at the same aspect.
foreach(scene IN ITEMS Village Bog Warden Forest Mill Chapel Harbour Lighthouse Island Beacon
                       Crown Ending)
    valdmoor_picture(G5${scene} 400 260)
endforeach()
