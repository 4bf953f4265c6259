# Third-party libraries, each found once for the whole build and used
# through its imported target. Which ones are needed depends on what is
# built: the effect needs none; the portable parts of the host library
# need only header libraries and tinyxml2; the native parts and front-ends
# need the rest.
find_package(Threads REQUIRED)

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
