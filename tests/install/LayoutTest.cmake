# Checks the install layout of both platforms (the macOS one cannot be built here).
include(${SOURCE_DIR}/cmake/MarlvaneLayout.cmake)

function(expect name actual expected)
    if(NOT "${actual}" STREQUAL "${expected}")
        message(FATAL_ERROR "${name}: expected '${expected}', got '${actual}'")
    endif()
endfunction()

marlvane_layout(macos MAC)
expect("macOS core" "${MAC_CORE_DESTINATION}" "Marlvane.app/Contents/Resources/Core")
expect("macOS resources" "${MAC_RESOURCE_DIR}" "Marlvane.app/Contents/Resources")
# The app executable sits in Contents/MacOS; the core must be reachable from there.
get_filename_component(mac_core "/p/Marlvane.app/Contents/MacOS/${MAC_CORE_FROM_EXECUTABLE}" ABSOLUTE)
expect("macOS core from executable" "${mac_core}" "/p/${MAC_CORE_DESTINATION}/tessaroll")

marlvane_layout(linux LIN)
expect("Linux app" "${LIN_APP_DESTINATION}" "bin")
get_filename_component(lin_core "/p/${LIN_APP_DESTINATION}/${LIN_CORE_FROM_EXECUTABLE}" ABSOLUTE)
expect("Linux core from executable" "${lin_core}" "/p/${LIN_CORE_DESTINATION}/tessaroll")
expect("Linux icon" "${LIN_ICON_DESTINATION}" "share/icons/hicolor/scalable/apps")

# The Info.plist template carries the version entry the about section reads.
file(READ ${SOURCE_DIR}/packaging/macos/Info.plist.in plist)
string(FIND "${plist}" "<key>CFBundleShortVersionString</key>" at)
if(at EQUAL -1)
    message(FATAL_ERROR "Info.plist.in lacks CFBundleShortVersionString")
endif()
message(STATUS "layout ok")
