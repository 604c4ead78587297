# Renders one SVG at every size and packs the images into one .ico, each
# size drawn from the vector source rather than scaled from another image.
#   cmake -DMAGICK=... -DSVG=in.svg -DICO=out.ico -DDESIGN=16 -DSIZES=16,24,32 -P make_icon.cmake
set(pngs "")
get_filename_component(name ${ICO} NAME_WE)
get_filename_component(folder ${ICO} DIRECTORY)
string(REPLACE "," ";" sizes "${SIZES}")
foreach(size ${sizes})
    math(EXPR density "96 * ${size} / ${DESIGN}")
    set(png ${folder}/${name}-${size}.png)
    execute_process(COMMAND ${MAGICK} -background none -density ${density} ${SVG}
                            -resize ${size}x${size} -gravity center -extent ${size}x${size} PNG32:${png}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "could not render ${SVG} at ${size} pixels")
    endif()
    list(APPEND pngs ${png})
endforeach()
execute_process(COMMAND ${MAGICK} ${pngs} ${ICO} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not write ${ICO}")
endif()
file(REMOVE ${pngs})
