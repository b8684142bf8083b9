# orvanel_layer(<name> SOURCES <file>... [USES <layer>...])
#
# One layer of the program: the static library orvanel_<name> of the listed
# sources of src/<name>/ (headers included, so that they are checked too),
# linked to the layers it USES and to nothing else. A call into any other
# layer fails to link, and an #include "<folder>/..." of a folder other than
# its own and those of the layers it uses stops the configuration.
function(orvanel_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;USES")
    add_library(orvanel_${name} STATIC ${arg_SOURCES})
    target_include_directories(orvanel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(orvanel_${name} PUBLIC orvanel_options)
    set(allowed ${name})
    foreach(used IN LISTS arg_USES)
        target_link_libraries(orvanel_${name} PUBLIC orvanel_${used})
        list(APPEND allowed ${used})
    endforeach()
    foreach(source IN LISTS arg_SOURCES)
        file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/${source} lines REGEX "^#include \"[^\"]+/")
        foreach(line IN LISTS lines)
            string(REGEX MATCH "^#include \"(.+)/[^/]+\"" included "${line}")
            if(NOT CMAKE_MATCH_1 IN_LIST allowed)
                list(JOIN allowed ", " folders)
                message(FATAL_ERROR "src/${name}/${source}: ${line}: the ${name} layer may "
                                    "include only from ${folders}")
            endif()
        endforeach()
    endforeach()
endfunction()
