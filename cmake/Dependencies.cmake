# System libraries the library code links, per platform.
if(WIN32)
  target_link_libraries(viu_dependencies INTERFACE gdiplus gdi32 user32 ole32 oleaut32 uuid)
else()
  # Image files are read and written through the system's codec libraries.
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_package(TIFF REQUIRED)
  find_package(GIF REQUIRED)
  target_link_libraries(viu_dependencies INTERFACE JPEG::JPEG PNG::PNG TIFF::TIFF GIF::GIF)
endif()
