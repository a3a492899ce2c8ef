# Writes the frames of an animated picture from one SVG template, so that every frame is drawn
# by the same source and a loop closes exactly. In frame K of COUNT, @K@ and @COUNT@ are
# replaced, @SHIFT<P>@ by P x K / COUNT (whole numbers) for P in 80, 160, 320 and 640, so that
# whatever moves by a multiple of its period over the loop comes back to its start, and
# @HALFSHIFT<P>@ the same half a loop later. @WAVE@ rises from 0 to 1 and falls back over the loop,
# @HALFWAVE@ is 1 - @WAVE@: a part that fades in and out with one may jump back unseen while the
# other is shown.
# Run as a script: cmake -DTEMPLATE=<svg> -DPREFIX=<path prefix> -DCOUNT=<n> -P PictureFrames.cmake
# writes <prefix>0.svg .. <prefix><n - 1>.svg.
if(NOT COUNT GREATER 0)
    message(FATAL_ERROR "PictureFrames.cmake: COUNT must be a positive number, not \"${COUNT}\"")
endif()
file(READ ${TEMPLATE} text)
math(EXPR last "${COUNT} - 1")
foreach(K RANGE ${last})
    foreach(period IN ITEMS 80 160 320 640)
        math(EXPR SHIFT${period} "${period} * ${K} / ${COUNT}")
    endforeach()
    math(EXPR half "(${K} + ${COUNT} / 2) % ${COUNT}")
    foreach(period IN ITEMS 80 160 320 640)
        math(EXPR HALFSHIFT${period} "${period} * ${half} / ${COUNT}")
    endforeach()
    # Thousandths, written as decimals for the SVG.
    math(EXPR rise "2000 * ${K} / ${COUNT} - 1000")
    if(rise LESS 0)
        math(EXPR rise "-${rise}")
    endif()
    math(EXPR wave "1000 - ${rise}")
    set(names WAVE HALFWAVE)
    set(values ${wave} ${rise})
    foreach(name value IN ZIP_LISTS names values)
        if(value GREATER_EQUAL 1000)
            set(${name} 1)
        else()
            string(LENGTH "${value}" digits)
            math(EXPR pad "3 - ${digits}")
            string(REPEAT "0" ${pad} zeros)
            set(${name} "0.${zeros}${value}")
        endif()
    endforeach()
    string(CONFIGURE "${text}" frame @ONLY)
    file(WRITE ${PREFIX}${K}.svg.new "${frame}")
    # Only a changed frame is written, so that unchanged ones are not rasterised again.
    file(COPY_FILE ${PREFIX}${K}.svg.new ${PREFIX}${K}.svg ONLY_IF_DIFFERENT)
    file(REMOVE ${PREFIX}${K}.svg.new)
endforeach()
