# One interface target carries the language standard, the warnings and the
# strictness defines for every target of the project.
add_library(orvanel_options INTERFACE)
target_compile_features(orvanel_options INTERFACE cxx_std_20)
set_target_properties(orvanel_options PROPERTIES INTERFACE_CXX_EXTENSIONS OFF)
set(CMAKE_CXX_EXTENSIONS OFF)

if(MSVC)
    target_compile_options(orvanel_options INTERFACE /W4 /permissive-)
    if(ORVANEL_WERROR)
        target_compile_options(orvanel_options INTERFACE /WX)
    endif()
else()
    target_compile_options(orvanel_options INTERFACE -Wall -Wextra -Wpedantic)
    if(ORVANEL_WERROR)
        target_compile_options(orvanel_options INTERFACE -Werror)
    endif()
endif()

target_compile_definitions(orvanel_options INTERFACE
    $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_STRICT_ITERATORS
    QT_USE_QSTRINGBUILDER
    QT_NO_FOREACH
)

# The Windows headers without their rarely used parts, and without the min
# and max macros that would hide std::min and std::max.
if(WIN32)
    target_compile_definitions(orvanel_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

# AddressSanitizer with UndefinedBehaviorSanitizer for every target of the
# project (gcc or clang); any finding ends the program.
option(ORVANEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ORVANEL_SANITIZE AND NOT MSVC)
    target_compile_options(orvanel_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(orvanel_options INTERFACE -fsanitize=address,undefined)
endif()
