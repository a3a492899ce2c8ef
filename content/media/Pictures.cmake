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
# Tile n lies at (n mod 10 x 200 + 20, n div 10 x 120 + 20), 40 apart (see MaskTiles.cmake).
set(mask_tiles "")
foreach(tile RANGE 49)
    math(EXPR x "${tile} % 10 * 200 + 20")
    math(EXPR y "${tile} / 10 * 120 + 20")
    list(APPEND mask_tiles --rect ${x},${y},160,80)
endforeach()
valdmoor_picture(G2Mask 2000 600 SOURCE ${mask_svg} PACK --format A8 ${mask_tiles})

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

# The world's map: ground that tiles in 2 x 2 blocks of 160 x 80 cells (a cell shows frame
# (row mod 2) x 2 + column mod 2), water whose frames are written from one template, the painted
# map under the mist, the regions' underlays and the figures placed on the maps.
foreach(terrain IN ITEMS T1Map10Sand T1Map20Field T1Map30Grass T1Map40Moor T1Map50Wood
                         T1Map60Rock)
    valdmoor_picture(${terrain} 320 160 PACK --grid 2x2)
endforeach()

# valdmoor_animated_picture(<name> <width> <height> <frames> <seconds> [PACK <args>...])
# Frames 0 .. frames - 1 written from content/pictures/<name>.svg by PictureFrames.cmake, packed
# with one animation over all of them that lasts the given seconds.
function(valdmoor_animated_picture name width height count seconds)
    cmake_parse_arguments(PARSE_ARGV 5 arg "" "" "PACK")
    set(template ${content_dir}/pictures/${name}.svg)
    set(prefix ${CMAKE_CURRENT_BINARY_DIR}/frames/${name}-)
    set(svgs "")
    math(EXPR last "${count} - 1")
    foreach(k RANGE ${last})
        list(APPEND svgs ${prefix}${k}.svg)
    endforeach()
    set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/PictureFrames.cmake)
    add_custom_command(OUTPUT ${svgs}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/frames
        COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${template} -DPREFIX=${prefix} -DCOUNT=${count}
                -P ${script}
        DEPENDS ${template} ${script}
        COMMENT "Writing the ${count} frames of ${name}" VERBATIM)
    list(POP_FRONT svgs first)
    valdmoor_picture(${name} ${width} ${height} SOURCE ${first} FRAMES ${svgs}
                     PACK ${arg_PACK} --animation 0,0,${seconds})
    set(media_outputs ${media_outputs} PARENT_SCOPE)
endfunction()
valdmoor_animated_picture(W1Sea 320 160 8 4 PACK --grid 2x2)
valdmoor_animated_picture(W1Pool 320 160 8 6 PACK --grid 2x2)

# The painted map under the mist: frame 0 the whole picture, frame n the part of cell n.
set(background_map_cells --rect 0,0,1600,880)
foreach(row RANGE 10)
    foreach(column RANGE 9)
        math(EXPR x "${column} * 160")
        math(EXPR y "${row} * 80")
        list(APPEND background_map_cells --rect ${x},${y},160,80)
    endforeach()
endforeach()
valdmoor_picture(G2BackgroundMap 1600 880 PACK ${background_map_cells})

# The regions' underlays: soft painted ground in each land's colours.
foreach(region IN ITEMS Menu Map Fen Wold Mere)
    valdmoor_picture(G1${region} 1600 880)
endforeach()

# Figures on the maps, each drawn at its size on the map (at most 200 x 200).
foreach(figure IN ITEMS
        "F1Oak 96 104" "F1Pine 64 112" "F1Birch 60 100" "F1Reeds 64 48" "F1Bush 56 40"
        "F1Rock 64 44" "F1Stones 120 72" "F1Cottage 100 84" "F1House 120 104" "F1Hall 184 140"
        "F1Mill 160 128" "F1Chapel 140 124" "F1Lighthouse 80 184" "F1Boat 96 64"
        "F1Pier 160 72" "F1Bridge 160 80" "F1Tent 72 56" "F1Well 52 60" "F1Beacon 48 88"
        "F1BeaconLit 48 88" "F1Crown 200 200" "F1Sheep 36 26" "F1Cart 72 48")
    string(REPLACE " " ";" figure ${figure})
    valdmoor_picture(${figure})
endforeach()
