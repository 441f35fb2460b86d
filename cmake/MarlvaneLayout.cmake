# Where each piece of Marlvane goes when installed, for one platform. Kept as a pure function
# so the macOS layout (which cannot be built here) is exercised by a test on Linux too.
#
# marlvane_layout(<platform> <out-prefix>) with <platform> "macos" or "linux" sets:
#   <out>_APP_DESTINATION       where the app target goes (bundle folder on macOS)
#   <out>_RESOURCE_DIR          the resource folder the app searches, relative to the prefix
#   <out>_CORE_DESTINATION      folder of the bundled core, relative to the prefix
#   <out>_CORE_FROM_EXECUTABLE  path of the core as seen from the app executable's folder
#   <out>_ICON_DESTINATION      where the app icon goes
function(marlvane_layout platform out)
    if(platform STREQUAL "macos")
        set(app ".")
        set(resources "Marlvane.app/Contents/Resources")
        set(from_exe "../Resources/Core/tessaroll")
        set(icon "${resources}")
    elseif(platform STREQUAL "linux")
        set(app "bin")
        set(resources "share/marlvane")
        set(from_exe "../share/marlvane/Core/tessaroll")
        set(icon "share/icons/hicolor/scalable/apps")
    else()
        message(FATAL_ERROR "marlvane_layout: unknown platform '${platform}'")
    endif()
    set(${out}_APP_DESTINATION "${app}" PARENT_SCOPE)
    set(${out}_RESOURCE_DIR "${resources}" PARENT_SCOPE)
    set(${out}_CORE_DESTINATION "${resources}/Core" PARENT_SCOPE)
    set(${out}_CORE_FROM_EXECUTABLE "${from_exe}" PARENT_SCOPE)
    set(${out}_ICON_DESTINATION "${icon}" PARENT_SCOPE)
endfunction()
