# Writes the SVG of "G2Mask": the 50 mask tiles with which the map blends a cell into its
# neighbours and draws the fog's edge. A tile covers the sides and corners of a 160 x 80 cell
# that face the neighbours in its direction set: an edge neighbour as a band fading towards the
# middle, a corner neighbour as a soft round patch. Tile 35 covers the whole cell, tile 8 and the
# unused 13 and 40 nothing. The coverage is the alpha, ragged like a brush stroke. Tiles lie
# 40 apart, tile n at (n mod 10 x 200 + 20, n div 10 x 120 + 20), and are cut to their cell only
# after the ragged filter: it then sees each shape whole, also where it reaches past the cell
# or the picture's edge, and never pulls emptiness in across a cell's border, which would leave a
# gap where a band meets the same band in the next cell.
# Run as a script: cmake -DOUTPUT=<svg file> -P MaskTiles.cmake
function(valdmoor_mask_tiles svg)
    # Tile number, then its directions (the map's tile table).
    set(tiles
        "0 NE SW" "1 N SE" "2 N SW" "3 N" "4 SE NW" "5 NW" "6 E" "7 W" "9 NE" "10 SW"
        "11 NE SE" "12 SW NW" "14 SE" "15 SE W" "16 NE SE SW" "17 SE SW NW" "18 SE SW"
        "19 E SW" "20 NE W" "21 NE SE NW" "22 NE SW NW" "23 NE NW" "24 E NW" "25 S W"
        "26 NE S" "27 S NW" "28 S" "29 E S" "30 N E S W" "31 N SE W" "32 N SE SW"
        "33 N E SW" "34 N E W" "36 NE SE W" "37 NE SE SW NW" "38 E SW NW" "39 E W"
        "41 NE S W" "42 NE S NW" "43 E S NW" "44 E S W" "45 N E" "46 N S W" "47 N S"
        "48 N E S" "49 N W")
    # Shapes per direction inside one cell: bands fill the cell with a fading gradient, corner
    # patches are ellipses centred on the corner. Bands reach past the cell so that the ragged
    # edge never pulls emptiness in across the cell's own border.
    set(band "x='-20' y='-20' width='200' height='120'")
    set(shape_N "<rect ${band} fill='url(#N)'/>")
    set(shape_S "<rect ${band} fill='url(#S)'/>")
    set(shape_E "<rect ${band} fill='url(#E)'/>")
    set(shape_W "<rect ${band} fill='url(#W)'/>")
    set(shape_NE "<ellipse cx='160' cy='0' rx='80' ry='40' fill='url(#C)'/>")
    set(shape_SE "<ellipse cx='160' cy='80' rx='80' ry='40' fill='url(#C)'/>")
    set(shape_SW "<ellipse cx='0' cy='80' rx='80' ry='40' fill='url(#C)'/>")
    set(shape_NW "<ellipse cx='0' cy='0' rx='80' ry='40' fill='url(#C)'/>")
    set(body "")
    foreach(tile IN LISTS tiles)
        string(REPLACE " " ";" tile ${tile})
        list(POP_FRONT tile number)
        math(EXPR x "(${number} % 10) * 200 + 20")
        math(EXPR y "(${number} / 10) * 120 + 20")
        string(APPEND body "  <g transform='translate(${x} ${y})'><g clip-path='url(#cell)'><g filter='url(#ragged)'>")
        foreach(direction IN LISTS tile)
            string(APPEND body "${shape_${direction}}")
        endforeach()
        string(APPEND body "</g></g></g>\n")
    endforeach()
    # Tile 35: the whole cell, and a little round it.
    string(APPEND body "  <rect x='1016' y='376' width='168' height='88' fill='#fff'/>\n")
    set(stops "<stop offset='0' stop-color='#fff'/><stop offset='0.18' stop-color='#fff' stop-opacity='0.9'/><stop offset='0.55' stop-color='#fff' stop-opacity='0'/>")
    file(WRITE ${svg} "<svg xmlns='http://www.w3.org/2000/svg' width='2000' height='600' viewBox='0 0 2000 600'>
  <!-- Written by content/media/MaskTiles.cmake; tile n is at (n mod 10 x 200 + 20, n div 10 x 120 + 20). -->
  <defs>
    <linearGradient id='N' gradientUnits='userSpaceOnUse' x1='0' y1='0' x2='0' y2='80'>${stops}</linearGradient>
    <linearGradient id='S' gradientUnits='userSpaceOnUse' x1='0' y1='80' x2='0' y2='0'>${stops}</linearGradient>
    <linearGradient id='W' gradientUnits='userSpaceOnUse' x1='0' y1='0' x2='160' y2='0'>${stops}</linearGradient>
    <linearGradient id='E' gradientUnits='userSpaceOnUse' x1='160' y1='0' x2='0' y2='0'>${stops}</linearGradient>
    <radialGradient id='C' cx='0.5' cy='0.5' r='0.5'>
      <stop offset='0' stop-color='#fff'/><stop offset='0.4' stop-color='#fff' stop-opacity='0.85'/>
      <stop offset='1' stop-color='#fff' stop-opacity='0'/>
    </radialGradient>
    <clipPath id='cell'><rect x='-2' y='-2' width='164' height='84'/></clipPath>
    <filter id='ragged' x='-0.2' y='-0.2' width='1.4' height='1.4'>
      <feTurbulence type='fractalNoise' baseFrequency='0.045' numOctaves='3' seed='4' result='noise'/>
      <feDisplacementMap in='SourceGraphic' in2='noise' scale='14' xChannelSelector='R' yChannelSelector='G'/>
    </filter>
  </defs>
${body}</svg>
")
endfunction()

valdmoor_mask_tiles(${OUTPUT})
