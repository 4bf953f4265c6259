# Include roots that hold one part each.
#
# Every part of the code (the effect, the host library's parts, each
# front-end) is a library target whose include root is a folder of the build
# tree holding symbolic links to that part's own folders and nothing else.
# A target sees the headers of the parts it links and no others, so the
# build itself keeps the effect's internals out of the host, loading out of
# the portable core, and one front-end out of another:
#
#   ringstride_include_root(ringstride_core PUBLIC runner/core)
#       build/include/core/runner/core -> runner/core
#   ringstride_include_root(ringstride_cli_commands PUBLIC cli=frontends/cli)
#       build/include/cli_commands/cli -> frontends/cli
#
# The root is the target's include folder in the build tree only
# ($<BUILD_INTERFACE>), with the scope given (PUBLIC, PRIVATE, INTERFACE),
# named after the target without "ringstride_". Headers are included by
# their path in the source tree ("runner/core/session.h"), or by the name
# given before "=" ("cli/scene.h").
set(RINGSTRIDE_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include)

function(ringstride_include_root target scope)
  string(REGEX REPLACE "^ringstride_" "" name ${target})
  set(root ${RINGSTRIDE_INCLUDE_ROOTS}/${name})
  foreach(path ${ARGN})
    if(path MATCHES "^([^=]+)=(.+)$")
      set(link ${root}/${CMAKE_MATCH_1})
      set(path ${CMAKE_MATCH_2})
    else()
      set(link ${root}/${path})
    endif()
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${link})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${path} ${link} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${root}>)
endfunction()
