# Imported targets for the third-party libraries.
#
# CMake 3.25's FindwxWidgets makes no imported targets and overwrites its result variables on
# every call, so each component set is captured into an INTERFACE target right after its own
# find_package call.

function(vistrelle_wx_target name)
    cmake_parse_arguments(ARG "BASE_ONLY" "" "COMPONENTS" ${ARGN})
    unset(wxWidgets_FOUND)
    unset(wxWidgets_LIBRARIES)
    unset(wxWidgets_INCLUDE_DIRS)
    unset(wxWidgets_DEFINITIONS)
    unset(wxWidgets_CXX_FLAGS)
    find_package(wxWidgets 3.2 REQUIRED COMPONENTS ${ARG_COMPONENTS})
    add_library(${name} INTERFACE)
    target_include_directories(${name} SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
    target_compile_definitions(${name} INTERFACE ${wxWidgets_DEFINITIONS})
    if(ARG_BASE_ONLY)
        # Code built on wxBase alone must not use GUI classes. The definition is evaluated for
        # each consumer, so a GUI target (property VISTRELLE_GUI, see vistrelle_gui_target)
        # that links a base library through this one still sees the full toolkit.
        target_compile_definitions(${name} INTERFACE
            $<$<NOT:$<BOOL:$<TARGET_PROPERTY:VISTRELLE_GUI>>>:wxUSE_GUI=0>)
    endif()
    separate_arguments(_flags UNIX_COMMAND "${wxWidgets_CXX_FLAGS}")
    target_compile_options(${name} INTERFACE ${_flags})
    target_link_libraries(${name} INTERFACE ${wxWidgets_LIBRARIES})
endfunction()

vistrelle_wx_target(vistrelle_wx_base BASE_ONLY COMPONENTS base)
vistrelle_wx_target(vistrelle_wx_net BASE_ONLY COMPONENTS net base)
vistrelle_wx_target(vistrelle_wx_gui COMPONENTS html adv core net base)

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(LibXml2 REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)
# The provider's request journal is JSON Lines.
find_package(nlohmann_json 3 REQUIRED)
pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl>=7.85)
pkg_check_modules(EXIF REQUIRED IMPORTED_TARGET libexif)
pkg_check_modules(MAGICKPP REQUIRED IMPORTED_TARGET Magick++)
# The main window asks GTK for menu icons through GObject (see MainMenus).
pkg_check_modules(GOBJECT REQUIRED IMPORTED_TARGET gobject-2.0)
# Accessible names are given through GTK (see ui/Accessibility).
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
# The desktop wallpaper is a GSettings key (see DesktopWallpaper).
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
# The gSOAP runtime with TLS; its Cflags are the definitions every user of stdsoap2.h needs.
pkg_check_modules(GSOAP REQUIRED IMPORTED_TARGET gsoapssl++)
pkg_check_modules(GSTREAMER REQUIRED IMPORTED_TARGET gstreamer-1.0)
pkg_check_modules(GPHOTO2 REQUIRED IMPORTED_TARGET libgphoto2)
# Cameras and card readers are watched through udev (see UdevDeviceWatch).
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
# Template packages (ZIP archives) are unpacked with libarchive (see TemplateArchive).
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)

# pkg-config gives these as plain include directories; mark them SYSTEM.
foreach(_t PkgConfig::UUID PkgConfig::CURL PkgConfig::EXIF PkgConfig::MAGICKPP PkgConfig::GOBJECT
        PkgConfig::GIO PkgConfig::GTK3 PkgConfig::GSOAP PkgConfig::GSTREAMER PkgConfig::GPHOTO2
        PkgConfig::UDEV PkgConfig::LIBARCHIVE)
    get_target_property(_inc ${_t} INTERFACE_INCLUDE_DIRECTORIES)
    if(_inc)
        set_target_properties(${_t} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${_inc}")
    endif()
endforeach()

# Marks a target as GUI code: it compiles against the full toolkit.
function(vistrelle_gui_target target)
    set_target_properties(${target} PROPERTIES VISTRELLE_GUI ON)
    target_link_libraries(${target} PUBLIC vistrelle_wx_gui)
endfunction()

# Every test gets a time limit and logs to stderr (no modal dialogs), see vistrelle_add_tests.
function(vistrelle_add_tests target)
    # Test programs stay out of the program directory.
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${target}
        PROPERTIES TIMEOUT 120
        DISCOVERY_TIMEOUT 60
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
