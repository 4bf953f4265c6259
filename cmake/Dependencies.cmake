# Third-party libraries, each found once for the whole build and used
# through its imported target. Which ones are needed depends on what is
# built: the effect needs none; the portable parts of the host library
# need only header libraries and tinyxml2; the native parts and front-ends
# need the rest.
find_package(Threads REQUIRED)

# tl::expected, the error type of the host library (header only). Cross
# builds (Windows, WebAssembly) take the build machine's header, from a
# folder that holds it alone so that no system folder joins their include
# path.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(tl-expected REQUIRED)
else()
  find_path(RINGSTRIDE_TL_EXPECTED_DIR tl/expected.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(staged ${CMAKE_BINARY_DIR}/include/third_party/tl-expected)
  file(MAKE_DIRECTORY ${staged})
  if(NOT IS_SYMLINK ${staged}/tl)
    file(CREATE_LINK ${RINGSTRIDE_TL_EXPECTED_DIR}/tl ${staged}/tl SYMBOLIC)
  endif()
  add_library(tl::expected INTERFACE IMPORTED)
  target_include_directories(tl::expected SYSTEM INTERFACE ${staged})
endif()

if(NOT WIN32)
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
