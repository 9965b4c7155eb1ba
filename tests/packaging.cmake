# The Debian package, built from this build folder and checked as a user meets it: its files,
# its menu entry and metainfo, lintian, and the launcher started from an unpacked copy.
if(WIN32 OR NOT TARGET 4vt)
    return()
endif()

set(fvt_package_dir ${PROJECT_BINARY_DIR}/package-test)
get_property(fvt_tools GLOBAL PROPERTY FVT_INSTALLED_TOOLS)

add_test(NAME package_build
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/packaging/build-package.sh
            ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${fvt_package_dir})
add_test(NAME package_contents
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/packaging/check-package.sh ${PROJECT_BINARY_DIR}
            ${fvt_package_dir} ${CMAKE_CURRENT_SOURCE_DIR}/packaging/files.txt ${fvt_tools})
add_test(NAME package_launcher
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/packaging/launcher-test.sh ${fvt_package_dir})
set_tests_properties(package_build PROPERTIES FIXTURES_SETUP fvt_package)
set_tests_properties(package_contents package_launcher PROPERTIES FIXTURES_REQUIRED fvt_package)
