# The instruction Readme.txt, written per platform from demo/Readme.txt.in:
#   fvt_readme(<target> <linux|windows> <output file>)
# adds the target that writes it (Windows-1251, CRLF) and builds with `all`. The Linux build
# makes the Linux one for the package and ./run; a Windows build installs its own.
find_program(FVT_PYTHON3 python3 REQUIRED)
set(FVT_README_SOURCE ${CMAKE_CURRENT_LIST_DIR}/../demo/Readme.txt.in)
set(FVT_README_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/readme_text.py)

function(fvt_readme target platform output)
    get_filename_component(dir ${output} DIRECTORY)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${FVT_PYTHON3} ${FVT_README_SCRIPT} ${platform} ${FVT_README_SOURCE} ${output}
        DEPENDS ${FVT_README_SOURCE} ${FVT_README_SCRIPT}
        COMMENT "Writing the ${platform} instruction ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
