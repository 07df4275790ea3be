# One interface target carries the flags every target of the project shares.
add_library(zarvento_flags INTERFACE)
target_compile_features(zarvento_flags INTERFACE cxx_std_20)
target_compile_options(zarvento_flags INTERFACE -Wall -Wextra)
target_compile_definitions(zarvento_flags INTERFACE
    QT_NO_KEYWORDS
    ZARVENTO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    ZARVENTO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    ZARVENTO_VERSION_PATCH=${PROJECT_VERSION_PATCH})
if(ZARVENTO_SANITIZE)
    target_compile_options(zarvento_flags INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(zarvento_flags INTERFACE -fsanitize=address,undefined)
endif()

# zarvento_library(<folder> SOURCES ... LIBS ...): the library target of one src/ folder.
function(zarvento_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(zarvento_${name} STATIC ${ARG_SOURCES})
    target_include_directories(zarvento_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(zarvento_${name} PUBLIC zarvento_flags ${ARG_LIBS})
endfunction()
