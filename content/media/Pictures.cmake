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
