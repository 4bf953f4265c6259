# Third-party libraries, each found once for the whole build and used
# through its imported target. Which ones are needed depends on what is
# built: the effect needs none; the portable parts of the host library
# need only header libraries and tinyxml2; the native parts and front-ends
# need the rest.
find_package(Threads REQUIRED)

# Cross builds (Windows, WebAssembly) take the build machine's header-only
# libraries from a folder that holds each alone, so that no system folder
# joins their include path (/usr/include would shadow emscripten's C
# library).
function(ringstride_stage_headers target header_dir)
  string(MAKE_C_IDENTIFIER ${target} name)
  find_path(RINGSTRIDE_${name}_DIR ${header_dir} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH REQUIRED)
  set(staged ${CMAKE_BINARY_DIR}/include/third_party/${name})
  file(MAKE_DIRECTORY ${staged})
  get_filename_component(top ${header_dir} DIRECTORY)
  if(NOT top)
    set(top ${header_dir})
  endif()
  if(NOT IS_SYMLINK ${staged}/${top})
    file(CREATE_LINK ${RINGSTRIDE_${name}_DIR}/${top} ${staged}/${top} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED)
  target_include_directories(${target} SYSTEM INTERFACE ${staged})
endfunction()

# tl::expected, the error type of the host library (header only).
if(NOT CMAKE_CROSSCOMPILING)
  find_package(tl-expected REQUIRED)
else()
  ringstride_stage_headers(tl::expected tl/expected.hpp)
endif()

if(EMSCRIPTEN)
  # nlohmann-json from the build machine's headers; tinyxml2 (one source
  # file) compiled from Debian's source package, which
  # scripts/web-build.sh unpacks into the build folder.
  ringstride_stage_headers(nlohmann_json::nlohmann_json nlohmann/json.hpp)
  set(RINGSTRIDE_TINYXML2_SOURCE ${CMAKE_BINARY_DIR}/third_party/tinyxml2 CACHE PATH
      "Folder holding tinyxml2.cpp and tinyxml2.h (Debian's source package)")
  if(NOT EXISTS ${RINGSTRIDE_TINYXML2_SOURCE}/tinyxml2.cpp)
    message(FATAL_ERROR "No tinyxml2.cpp in ${RINGSTRIDE_TINYXML2_SOURCE}: scripts/web-build.sh fetches it")
  endif()
  add_library(ringstride_tinyxml2 STATIC ${RINGSTRIDE_TINYXML2_SOURCE}/tinyxml2.cpp)
  target_include_directories(ringstride_tinyxml2 SYSTEM PUBLIC ${RINGSTRIDE_TINYXML2_SOURCE})
  add_library(tinyxml2::tinyxml2 ALIAS ringstride_tinyxml2)
elseif(NOT WIN32)
  find_package(nlohmann_json 3 REQUIRED)
  find_package(tinyxml2 REQUIRED)
endif()

if(RINGSTRIDE_NATIVE_IO OR RINGSTRIDE_FREI0R)
  find_package(PkgConfig REQUIRED)
endif()
if(RINGSTRIDE_FREI0R)
  pkg_check_modules(frei0r IMPORTED_TARGET frei0r)
endif()
if(RINGSTRIDE_NATIVE_IO)
  # OpenImageIO's own CMake package names an OpenCV include folder that
  # Debian does not install; its pkg-config file is sound.
  pkg_check_modules(OpenImageIO REQUIRED IMPORTED_TARGET OpenImageIO)
  pkg_check_modules(libdeflate REQUIRED IMPORTED_TARGET libdeflate)
  find_package(ZLIB REQUIRED)
  find_package(CLI11 REQUIRED)
endif()
