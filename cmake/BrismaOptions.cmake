# One interface target carries language level, warnings and defines for our own code.
add_library(brisma_options INTERFACE)
target_compile_features(brisma_options INTERFACE cxx_std_20)
target_compile_options(brisma_options INTERFACE -Wall -Wextra -Wpedantic -Werror
                       -Wno-error=deprecated-declarations
                       # GCC 12 at -O3 warns falsely on std::string appends (its bug 105329).
                       $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
target_compile_definitions(brisma_options INTERFACE
  QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII
  BRISMA_VERSION="${PROJECT_VERSION}"
  BRISMA_SERVER_BASE_DEFAULT="${BRISMA_SERVER_BASE}")
target_include_directories(brisma_options INTERFACE ${CMAKE_SOURCE_DIR}/src)
if(BRISMA_SANITIZE)
  target_compile_options(brisma_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)
  target_link_options(brisma_options INTERFACE -fsanitize=address,undefined)
endif()

# Each subsystem library: brisma_add_library(name SOURCES ... LINKS ...)
function(brisma_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC brisma_options ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()
