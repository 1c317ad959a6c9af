# Writes the Windows module's resource script from resources.list:
#   cmake -DLIST=resources.list -DOUT=skytune.rc -DPRODUCT_VERSION=3.0 -P windows_resources.cmake
# Each line is "TYPE NAME FILE". Bitmaps and RCDATA go in under their number or
# name; the version record is written here from PRODUCT_VERSION, since the resource
# compiler builds it from its own statement rather than from a file.
cmake_policy(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/resource_list.cmake)
read_resource_list("${LIST}")

set(out "// Made by the build from resources.list; do not edit.\n")
set(index 0)
while(index LESS resource_count)
    set(type "${resource_type_${index}}")
    if(NOT type MATCHES "^(BITMAP|RCDATA|VERSION)$")
        message(FATAL_ERROR "${LIST}: unknown resource type ${type}")
    endif()
    if(NOT type STREQUAL "VERSION")
        string(APPEND out "${resource_name_${index}} ${type} \"${resource_file_${index}}\"\n")
    endif()
    math(EXPR index "${index} + 1")
endwhile()

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
