# Fails when a C++ source of the project differs from what clang-format makes
# of it. Run: cmake -DCLANG_FORMAT=clang-format -DSOURCE_DIR=. -P cmake/FormatCheck.cmake
file(GLOB_RECURSE files
    ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h
    ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
    ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
    ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h)
if(NOT files)
    return()
endif()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files}
                RESULT_VARIABLE result ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message("${output}")
    message(FATAL_ERROR "Some sources are not formatted: run scripts/format.sh")
endif()
