# The arrows between the libraries, as the layout table allows them: every library's direct
# links, and every source's includes against what its library links (layout_arrows.py holds the
# table); then the tools and the tests, whose includes must be linked too and whose tools take
# nothing from the tests. The targets are read here, once every folder has declared its own.
find_program(FVT_PYTHON3 python3 REQUIRED)

# Every target declared under a directory, its subdirectories included.
function(fvt_targets_under dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        fvt_targets_under(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# One line a target: name|folder|direct links|sources (absolute paths).
function(fvt_layout_line target folder out)
    get_target_property(type ${target} TYPE)
    set(line "")
    if(NOT type STREQUAL "UTILITY")
        get_target_property(sources ${target} SOURCES)
        if(type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
        else()
            get_target_property(links ${target} LINK_LIBRARIES)
        endif()
        get_target_property(dir ${target} SOURCE_DIR)
        if(NOT links)
            set(links "")
        endif()
        if(NOT sources)
            set(sources "")
        endif()
        set(paths "")
        foreach(source ${sources})
            get_filename_component(path ${source} ABSOLUTE BASE_DIR ${dir})
            list(APPEND paths ${path})
        endforeach()
        string(JOIN " " paths ${paths})
        string(JOIN " " links ${links})
        set(line "${target}|${folder}|${links}|${paths}\n")
    endif()
    set(${out} "${line}" PARENT_SCOPE)
endfunction()

set(fvt_layout_lines "")
foreach(dir core link dbase taxformat widgets settings check taxfile bands report app)
    foreach(target fvt_${dir} fvt_${dir}_ui)
        if(TARGET ${target})
            fvt_layout_line(${target} ${dir} line)
            string(APPEND fvt_layout_lines "${line}")
        endif()
    endforeach()
endforeach()
foreach(area tools tests)
    if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${area})
        fvt_targets_under(${PROJECT_SOURCE_DIR}/${area} targets)
        foreach(target ${targets})
            fvt_layout_line(${target} ${area} line)
            string(APPEND fvt_layout_lines "${line}")
        endforeach()
    endif()
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/layout-targets.txt "${fvt_layout_lines}")
add_test(NAME layout_arrows
    COMMAND ${FVT_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/layout_arrows.py
            ${CMAKE_CURRENT_BINARY_DIR}/layout-targets.txt ${PROJECT_SOURCE_DIR})

# No function in src/ longer than 60 lines (function_length.py lists the ones over).
add_test(NAME function_length
    COMMAND ${FVT_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/function_length.py ${PROJECT_SOURCE_DIR}/src)
