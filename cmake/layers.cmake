# vantrel_layer(<folder> SOURCES <files...> DEPENDS <targets...>)
#
# Builds the folder src/<folder> as the static library vantrel_<folder>. Its
# headers are reachable as "<folder>/name.h" only through the library: every
# layer gets an include root of its own (a folder in the build tree holding one
# link named after the layer), and a target sees that root only when it links
# the layer. An include of a layer that is not among the declared dependencies,
# directly or through them, therefore fails to compile.
function(vantrel_layer folder)
    cmake_parse_arguments(LAYER "" "" "SOURCES;DEPENDS" ${ARGN})
    set(target vantrel_${folder})
    add_library(${target} STATIC ${LAYER_SOURCES})
    set(root ${CMAKE_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${LAYER_DEPENDS})
endfunction()
