# The one version number of Orvanel is the project VERSION of the top-level
# CMakeLists.txt. This module hands it on:
#   ORVANEL_VERSION, ORVANEL_VERSION_MAJOR, _MINOR, _PATCH   CMake variables
#                                                          (packages, resources)
#   orvanel_version   an interface target whose include path holds the
#                     generated header "orvanel_version.h"
set(ORVANEL_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(ORVANEL_VERSION_MINOR ${PROJECT_VERSION_MINOR})
if(PROJECT_VERSION_PATCH STREQUAL "")
    set(ORVANEL_VERSION_PATCH 0)
else()
    set(ORVANEL_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
set(ORVANEL_VERSION "${ORVANEL_VERSION_MAJOR}.${ORVANEL_VERSION_MINOR}.${ORVANEL_VERSION_PATCH}")

set(ORVANEL_GENERATED_INCLUDE_DIR ${PROJECT_BINARY_DIR}/generated/include)
configure_file(${CMAKE_CURRENT_LIST_DIR}/orvanel_version.h.in
               ${ORVANEL_GENERATED_INCLUDE_DIR}/orvanel_version.h @ONLY)

add_library(orvanel_version INTERFACE)
target_include_directories(orvanel_version INTERFACE ${ORVANEL_GENERATED_INCLUDE_DIR})
