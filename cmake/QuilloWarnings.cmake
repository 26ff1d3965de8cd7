# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings and sanitizers for our own targets only: link `quillo_warnings` to a
# target instead of changing global flags, so third-party code is left alone.
add_library(quillo_plain_warnings INTERFACE)
# Designated initialisers that leave members at their defaults are intended.
target_compile_options(quillo_plain_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror
  -Wno-missing-field-initializers
  # GCC 12 at -O3 reports impossible overlaps inside std::string's own
  # concatenation (GCC bug 105329); keep the warning, not the error.
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-error=restrict>)

add_library(quillo_warnings INTERFACE)
target_link_libraries(quillo_warnings INTERFACE quillo_plain_warnings)
if(QUILLO_SANITIZE)
  target_compile_options(quillo_warnings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
    # Sanitized code at -O0 is slow enough to dominate the test suite, which
    # starts thousands of recorder processes; -O1 keeps the reports accurate.
    $<$<CONFIG:Debug>:-O1>)
  target_link_options(quillo_warnings INTERFACE -fsanitize=address,undefined)
endif()

# Optimised builds (`make run`, `make install`, the Debian package) get Debian's
# hardening flags, as `dpkg-buildflags` gives them with hardening=+all: stack
# protector, fortified functions, format checks, full RELRO and immediate
# binding. Optimisation and debug-information choices stay with the build type.
find_program(QUILLO_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT QUILLO_SANITIZE AND NOT QUILLO_FUZZ AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug"
   AND QUILLO_DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${QUILLO_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-g|^-O|^-ffile-prefix-map=")
    if(kind STREQUAL "LDFLAGS")
      target_link_options(quillo_warnings INTERFACE ${flags})
    else()
      target_compile_options(quillo_warnings INTERFACE ${flags})
    endif()
  endforeach()
endif()
