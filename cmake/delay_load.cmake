# The program's system DLLs beyond kernel32 are loaded on first use, not at
# start: a nightly /b under Wine spent about 100 ms loading user32, ole32,
# shell32 and the rest, which it never calls unless it shows a window or a
# balloon, reads a password or reaches a share.
set(LARKMAIL_DELAYED_DLLS user32 gdi32 ole32 oleaut32 shell32 shlwapi uxtheme crypt32 mpr)

# larkmail_delay_load(target): links target with those DLLs delay-loaded.
function(larkmail_delay_load target)
    if(MSVC)
        foreach(dll ${LARKMAIL_DELAYED_DLLS})
            target_link_options(${target} PRIVATE /DELAYLOAD:${dll}.dll)
        endforeach()
        target_link_libraries(${target} PRIVATE delayimp)
        return()
    endif()
    # MinGW: a delay-import library for each DLL, made from every name its
    # import library exports, so a newly called function needs no list kept.
    set(out ${CMAKE_BINARY_DIR}/delay_load)
    file(MAKE_DIRECTORY ${out})
    set(libs "")
    foreach(dll ${LARKMAIL_DELAYED_DLLS})
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
            OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE)
        set(delay_lib ${out}/lib${dll}_delay.a)
        if(NOT EXISTS ${delay_lib} OR ${import_lib} IS_NEWER_THAN ${delay_lib})
            execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${import_lib}
                OUTPUT_VARIABLE dll_name OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
            execute_process(COMMAND ${CMAKE_NM} ${import_lib}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE rc2)
            if(NOT rc EQUAL 0 OR NOT rc2 EQUAL 0)
                message(FATAL_ERROR "cannot read ${import_lib} to delay-load ${dll}")
            endif()
            string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@]+" imports "${symbols}")
            set(def "LIBRARY ${dll_name}\nEXPORTS\n")
            foreach(entry ${imports})
                string(REPLACE " I __imp_" "" name "${entry}")
                string(APPEND def "${name}\n")
            endforeach()
            file(WRITE ${out}/${dll}.def "${def}")
            execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${out}/${dll}.def
                --output-delaylib ${delay_lib} RESULT_VARIABLE rc)
            if(NOT rc EQUAL 0)
                message(FATAL_ERROR "dlltool could not make ${delay_lib}")
            endif()
        endif()
        list(APPEND libs ${delay_lib})
    endforeach()
    target_link_libraries(${target} PRIVATE ${libs})
endfunction()
