# System libraries the library code links, per platform.
if(WIN32)
  target_link_libraries(viu_dependencies INTERFACE gdiplus gdi32 user32 ole32 oleaut32 uuid)
endif()
