# Reads resources.list for the scripts that turn it into a module's
# resources. Each line is "TYPE NAME FILE"; blank lines and lines starting
# with "#" are skipped. Sets resource_count and, for i from 0, the variables
# resource_type_<i>, resource_name_<i> and resource_file_<i> (the file's
# absolute path, which must exist).
macro(read_resource_list list_file)
    file(STRINGS "${list_file}" resource_lines)
    get_filename_component(resource_base "${list_file}" ABSOLUTE)
    get_filename_component(resource_base "${resource_base}" DIRECTORY)
    set(resource_count 0)
    foreach(resource_line IN LISTS resource_lines)
        string(STRIP "${resource_line}" resource_line)
        if(resource_line STREQUAL "" OR resource_line MATCHES "^#")
            continue()
        endif()
        separate_arguments(resource_fields UNIX_COMMAND "${resource_line}")
        list(GET resource_fields 0 resource_type_${resource_count})
        list(GET resource_fields 1 resource_name_${resource_count})
        list(GET resource_fields 2 resource_path)
        set(resource_file_${resource_count} "${resource_base}/${resource_path}")
        if(NOT EXISTS "${resource_file_${resource_count}}")
            message(FATAL_ERROR "${list_file}: ${resource_file_${resource_count}} is missing")
        endif()
        math(EXPR resource_count "${resource_count} + 1")
    endforeach()
endmacro()
