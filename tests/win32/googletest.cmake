# GoogleTest for a cross build: Debian's libgtest-dev holds Linux libraries
# only, so GoogleTest is built from its sources (Debian package googletest)
# with the cross compiler. Gives the same targets as find_package(GTest).
set(ORVANEL_GTEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources to build for the target system")
if(NOT EXISTS ${ORVANEL_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${ORVANEL_GTEST_SOURCE_DIR}: "
                        "install the googletest package or set ORVANEL_GTEST_SOURCE_DIR")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${ORVANEL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
        add_library(GTest::${lib} ALIAS ${lib})
    endif()
endforeach()
