# The program's icon and the pop-up menu's images: SVG sources in payload/icons,
# made into multi-size .ico files in the build tree by ImageMagick.
# A candidate counts only when it says it is ImageMagick: a same-named
# stand-in can stand first on the PATH, and Windows has a convert.exe of its own.
function(larkmail_is_magick result candidate)
    execute_process(COMMAND ${candidate} -version OUTPUT_VARIABLE out ERROR_QUIET RESULT_VARIABLE code)
    if(NOT code EQUAL 0 OR NOT out MATCHES "ImageMagick")
        set(${result} FALSE PARENT_SCOPE)
    endif()
endfunction()
if(CMAKE_HOST_WIN32)
    find_program(LARKMAIL_MAGICK NAMES magick VALIDATOR larkmail_is_magick REQUIRED)
else()
    find_program(LARKMAIL_MAGICK NAMES magick convert NAMES_PER_DIR VALIDATOR larkmail_is_magick REQUIRED)
endif()
set(icon_rows
    "LarkmailBackup|256|16,20,24,32,40,48,64,256"
    "menu-restore-window|16|16,20,24,32"
    "menu-backup|16|16,20,24,32"
    "menu-restore|16|16,20,24,32"
    "menu-open-folder|16|16,20,24,32"
    "menu-quit|16|16,20,24,32")
set(icon_files "")
foreach(row ${icon_rows})
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 design)
    list(GET fields 2 sizes)
    set(svg ${CMAKE_SOURCE_DIR}/payload/icons/${name}.svg)
    set(ico ${LARKMAIL_ICON_DIR}/${name}.ico)
    add_custom_command(OUTPUT ${ico}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${LARKMAIL_ICON_DIR}
        COMMAND ${CMAKE_COMMAND} -DMAGICK=${LARKMAIL_MAGICK} -DSVG=${svg} -DICO=${ico} -DDESIGN=${design}
                -DSIZES=${sizes} -P ${CMAKE_SOURCE_DIR}/cmake/make_icon.cmake
        DEPENDS ${svg} ${CMAKE_SOURCE_DIR}/cmake/make_icon.cmake
        COMMENT "Icon ${name}.ico"
        VERBATIM)
    list(APPEND icon_files ${ico})
endforeach()
add_custom_target(larkmail_icons DEPENDS ${icon_files})
# The targets wait for the icons; OBJECT_DEPENDS recompiles the resources when one changes.
set_source_files_properties(${LARKMAIL_RC_FILE} PROPERTIES OBJECT_DEPENDS "${icon_files}")
add_dependencies(LarkmailBackup larkmail_icons)
add_dependencies(win_unit_tests larkmail_icons)
