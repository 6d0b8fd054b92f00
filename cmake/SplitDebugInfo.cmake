# viu_split_debug_info(TARGET): with VIU_SPLIT_DEBUG_INFO on, the target is
# built with debug information, which then goes into a file of its own beside
# it (NAME.debug, named in its .gnu_debuglink section); the binary itself is
# stripped. Call it in the directory that creates the target.
option(VIU_SPLIT_DEBUG_INFO "Strip the installed binaries, keeping their debug information in separate files" OFF)
set_property(GLOBAL PROPERTY VIU_SPLIT_DEBUG_TARGETS)

function(viu_split_debug_info target)
  if(NOT VIU_SPLIT_DEBUG_INFO)
    return()
  endif()
  target_compile_options(${target} PRIVATE -g)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-unneeded --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
            $<TARGET_FILE:${target}>
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY VIU_SPLIT_DEBUG_TARGETS ${target})
endfunction()
