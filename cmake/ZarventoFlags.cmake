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
# Each library gets an include root of its own in the build tree, holding one link named after the
# folder, so "<folder>/<header>.h" resolves only in this library and in what links it: a header of
# a library that is not linked is not found, and an upward include fails to compile.
function(zarvento_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    set(root ${CMAKE_BINARY_DIR}/include/${name})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${name} SYMBOLIC)
    add_library(zarvento_${name} STATIC ${ARG_SOURCES})
    target_include_directories(zarvento_${name} PUBLIC ${root})
    target_link_libraries(zarvento_${name} PUBLIC zarvento_flags ${ARG_LIBS})
endfunction()
