# The arrows between the libraries, as the layout table allows them: every library's direct
# links, and every source's includes against what its library links (layout_arrows.py holds the
# table). The targets are read here, once every folder has declared its own.
find_program(FVT_PYTHON3 python3 REQUIRED)
set(fvt_layout_lines "")
foreach(dir core link dbase taxformat widgets settings check taxfile bands report app)
    foreach(target fvt_${dir} fvt_${dir}_ui)
        if(TARGET ${target})
            get_target_property(sources ${target} SOURCES)
            get_target_property(links ${target} LINK_LIBRARIES)
            if(NOT links)
                set(links "")
            endif()
            string(JOIN " " sources ${sources})
            string(JOIN " " links ${links})
            string(APPEND fvt_layout_lines "${target}|${dir}|${links}|${sources}\n")
        endif()
    endforeach()
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/layout-targets.txt "${fvt_layout_lines}")
add_test(NAME layout_arrows
    COMMAND ${FVT_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/layout_arrows.py
            ${CMAKE_CURRENT_BINARY_DIR}/layout-targets.txt ${PROJECT_SOURCE_DIR}/src)
