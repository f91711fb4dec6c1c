# Shared build settings: warnings as errors on our own code, optional sanitizers, and helpers
# that make one static library per framework layer from the sources of its folder.

if(KRELLIX_SANITIZE)
  # -O1 as the sanitizers recommend: the checks stay, and long runs (the soak test) take minutes,
  # not a quarter of an hour.
  # Line tables (-g1) are all a sanitizer report needs, and a fraction of full debug information to
  # compile.
  add_compile_options(-O1 -g1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# lld links the many test programs in a fraction of the time of the system linker.
find_program(KRELLIX_LLD ld.lld)
if(KRELLIX_LLD)
  add_link_options(-fuse-ld=lld)
endif()

# Directory where the game finds images/ and sounds/ after a build.
set(KRELLIX_DATA_DIR "${CMAKE_BINARY_DIR}/data" CACHE INTERNAL "")
# The desktop icons as an icon theme folder (hicolor/...), installed into share/icons.
set(KRELLIX_ICON_DIR "${CMAKE_BINARY_DIR}/icons" CACHE INTERNAL "")

function(krellix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# krellix_layer(NAME) builds every .cpp of the calling folder into the static library NAME.
function(krellix_layer name)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  krellix_warnings(${name})
endfunction()
