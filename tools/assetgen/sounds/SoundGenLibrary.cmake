# The synthesizer, sequencer, catalogue and Ogg writer of the sound generator as one library,
# shared by the generator and its unit tests (which also build when assets are switched off).
find_package(PkgConfig REQUIRED)
pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
find_package(Threads REQUIRED)

file(GLOB krellix_soundgen_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/*.cpp")
list(FILTER krellix_soundgen_sources EXCLUDE REGEX "/main\\.cpp$")
add_library(krellix_soundgen STATIC ${krellix_soundgen_sources})
target_include_directories(krellix_soundgen PUBLIC "${CMAKE_CURRENT_LIST_DIR}")
krellix_warnings(krellix_soundgen)
target_link_libraries(krellix_soundgen PUBLIC PkgConfig::VORBISENC Threads::Threads)
# Optimised in every build type: the synthesizer renders several minutes of audio per run.
target_compile_options(krellix_soundgen PRIVATE $<$<NOT:$<CONFIG:Release>>:-O2>)
