# skelvo_publish_headers(<target> [PRIVATE <header>...])
#
# Makes the headers among <target>'s sources includable by their path under the
# source root ("page/GrabLinks.h", "net/http/HttpProt.h") from the target itself
# and from every target that links it, and from no other: each header is
# symlinked into a folder of the build tree that belongs to <target> alone, and
# that folder is the only include directory the target publishes. A header of a
# layer a target does not link is therefore not found, and a wrong-way include
# fails to compile. Headers named after PRIVATE are reachable from the target's
# own sources only.
#
# The folders are rebuilt at every configure, so a header dropped from a target
# stops being includable at once.
function(skelvo_publish_headers target)
    cmake_parse_arguments(ARG "" "" "PRIVATE" ${ARGN})
    set(public_root ${PROJECT_BINARY_DIR}/include/${target})
    set(private_root ${PROJECT_BINARY_DIR}/include-private/${target})
    file(REMOVE_RECURSE ${public_root} ${private_root})
    file(MAKE_DIRECTORY ${public_root})

    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.h$")
            continue()
        endif()
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} OUTPUT_VARIABLE header)
        file(RELATIVE_PATH spelling ${PROJECT_SOURCE_DIR} ${header})
        cmake_path(GET header FILENAME name)
        if(name IN_LIST ARG_PRIVATE)
            set(link ${private_root}/${spelling})
        else()
            set(link ${public_root}/${spelling})
        endif()
        cmake_path(GET link PARENT_PATH folder)
        file(MAKE_DIRECTORY ${folder})
        file(CREATE_LINK ${header} ${link} SYMBOLIC)
    endforeach()

    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${public_root})
    else()
        target_include_directories(${target} PUBLIC ${public_root})
        if(ARG_PRIVATE)
            target_include_directories(${target} PRIVATE ${private_root})
        endif()
    endif()
endfunction()
