# Writes the Windows module's resource script from resources.list:
#   cmake -DLIST=resources.list -DOUT=skytune.rc -DPRODUCT_VERSION=3.0 -P windows_resources.cmake
# Each line is "TYPE NAME FILE". Bitmaps and RCDATA go in under their number or
# name; the version record is written here from PRODUCT_VERSION, since the resource
# compiler builds it from its own statement rather than from a file.
cmake_policy(VERSION 3.20)
file(STRINGS "${LIST}" lines)
get_filename_component(base "${LIST}" ABSOLUTE)
get_filename_component(base "${base}" DIRECTORY)

set(out "// Made by the build from resources.list; do not edit.\n")
foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
        continue()
    endif()
    separate_arguments(fields UNIX_COMMAND "${line}")
    list(GET fields 0 type)
    list(GET fields 1 name)
    list(GET fields 2 path)
    if(NOT type MATCHES "^(BITMAP|RCDATA|VERSION)$")
        message(FATAL_ERROR "${LIST}: unknown resource type ${type}")
    endif()
    if(type STREQUAL "VERSION")
        continue()
    endif()
    set(file "${base}/${path}")
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "${LIST}: ${file} is missing")
    endif()
    string(APPEND out "${name} ${type} \"${file}\"\n")
endforeach()

# "3.0" gives the fixed part 3,0,0,0 and the texts "3.0".
string(REPLACE "." ";" parts "${PRODUCT_VERSION}")
list(LENGTH parts count)
while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
endwhile()
list(JOIN parts "," fixed)

# FILEOS 0x40004: Windows NT, 32-bit; FILETYPE 2: a DLL. Translation: US
# English in the Windows Latin-1 code page, which the string block names.
string(APPEND out "
1 VERSIONINFO
FILEVERSION ${fixed}
PRODUCTVERSION ${fixed}
FILEFLAGSMASK 0x3F
FILEFLAGS 0x0
FILEOS 0x40004
FILETYPE 0x2
FILESUBTYPE 0x0
BEGIN
    BLOCK \"StringFileInfo\"
    BEGIN
        BLOCK \"040904E4\"
        BEGIN
            VALUE \"CompanyName\", \"SkyTune developers\"
            VALUE \"FileDescription\", \"SkyTune cockpit radio gauge\"
            VALUE \"FileVersion\", \"${PRODUCT_VERSION}\"
            VALUE \"InternalName\", \"skytune\"
            VALUE \"LegalCopyright\", \"MIT licence, SkyTune developers\"
            VALUE \"OriginalFilename\", \"skytune.gau\"
            VALUE \"ProductName\", \"SkyTune\"
            VALUE \"ProductVersion\", \"${PRODUCT_VERSION}\"
        END
    END
    BLOCK \"VarFileInfo\"
    BEGIN
        VALUE \"Translation\", 0x409, 1252
    END
END
")
file(WRITE "${OUT}.new" "${out}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.new" "${OUT}")
