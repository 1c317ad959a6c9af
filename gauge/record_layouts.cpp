// The 32-bit layouts of the records the simulator reads, field by field, as
// its published panels SDK lays them out (4-byte packing). Being a file of
// the module of its own, it makes sure the checks run in the 32-bit build.
#include <cstddef>

#include "common/panel_records.h"

#if defined(_WIN32) && !defined(_WIN64)
#define AT(record, field, offset) \
    static_assert(offsetof(record, field) == (offset), #record "." #field)
#define SIZE(record, size) static_assert(sizeof(record) == (size), #record)

SIZE(PIXPOINT, 8);
SIZE(PIXBOX, 16);
SIZE(IMAGE_SET, 16);
SIZE(MODULE_VAR, 28);
AT(MODULE_VAR, var_ptr, 0x04);
AT(MODULE_VAR, var_type, 0x08);
AT(MODULE_VAR, var_value, 0x0C);
AT(MODULE_VAR, var_old, 0x14);

SIZE(GAUGEHDR, 0xCC);
AT(GAUGEHDR, gauge_name, 0x04);
AT(GAUGEHDR, elements_list, 0x08);
AT(GAUGEHDR, query_routine, 0x0C);
AT(GAUGEHDR, install_routine, 0x10);
AT(GAUGEHDR, initialize_routine, 0x14);
AT(GAUGEHDR, update_routine, 0x18);
AT(GAUGEHDR, generate_routine, 0x1C);
AT(GAUGEHDR, draw_routine, 0x20);
AT(GAUGEHDR, kill_routine, 0x24);
AT(GAUGEHDR, reserved1, 0x28);
AT(GAUGEHDR, size_x_mm, 0x2C);
AT(GAUGEHDR, size_y_mm, 0x30);
AT(GAUGEHDR, x_adjust, 0x34);
AT(GAUGEHDR, y_adjust, 0x38);
AT(GAUGEHDR, reserved2, 0x3C);
AT(GAUGEHDR, reserved3, 0x40);
AT(GAUGEHDR, position, 0x44);
AT(GAUGEHDR, reserved4, 0x4C);
AT(GAUGEHDR, mouse_rect, 0x50);
AT(GAUGEHDR, gauge_callback, 0x54);
AT(GAUGEHDR, user_data, 0x58);
AT(GAUGEHDR, parameters, 0x5C);
AT(GAUGEHDR, usage, 0x60);

SIZE(GAUGESLINKAGE, 32);
AT(GAUGESLINKAGE, module_init, 0x04);
AT(GAUGESLINKAGE, module_deinit, 0x08);
AT(GAUGESLINKAGE, flags, 0x0C);
AT(GAUGESLINKAGE, module_status, 0x10);
AT(GAUGESLINKAGE, module_version, 0x14);
AT(GAUGESLINKAGE, gauge_header_ptr, 0x18);
SIZE(IMPORT_TABLE, 16);
AT(IMPORT_TABLE, end, 0x08);

SIZE(ELEMENT_HEADER, 0x3C);
AT(ELEMENT_HEADER, resource_id, 0x04);
AT(ELEMENT_HEADER, position, 0x08);
AT(ELEMENT_HEADER, previous_position, 0x10);
AT(ELEMENT_HEADER, ofs, 0x18);
AT(ELEMENT_HEADER, gauge_header, 0x20);
AT(ELEMENT_HEADER, previous_element, 0x24);
AT(ELEMENT_HEADER, next_element, 0x28);
AT(ELEMENT_HEADER, failure_systems, 0x2C);
AT(ELEMENT_HEADER, image_flags, 0x30);
AT(ELEMENT_HEADER, aircraft_special_instrumentation, 0x34);
AT(ELEMENT_HEADER, reserved, 0x38);

SIZE(ELEMENT_STATIC_IMAGE, 0x60);
AT(ELEMENT_STATIC_IMAGE, image_data, 0x3C);
AT(ELEMENT_STATIC_IMAGE, save_buffer, 0x4C);
AT(ELEMENT_STATIC_IMAGE, hdc, 0x50);
AT(ELEMENT_STATIC_IMAGE, hbmp, 0x54);

SIZE(NONLINEARITY, 24);
AT(NONLINEARITY, value, 0x08);
AT(NONLINEARITY, degrees, 0x10);

SIZE(ELEMENT_NEEDLE, 0xEC);
AT(ELEMENT_NEEDLE, source_var, 0x3C);
AT(ELEMENT_NEEDLE, source_var_cb, 0x58);
AT(ELEMENT_NEEDLE, display_value_fn, 0x5C);
AT(ELEMENT_NEEDLE, angle_fn, 0x60);
AT(ELEMENT_NEEDLE, lag_fn, 0x64);
AT(ELEMENT_NEEDLE, reference, 0x68);
AT(ELEMENT_NEEDLE, nonlinearity_table, 0x70);
AT(ELEMENT_NEEDLE, nonlinearity_table_size, 0x74);
AT(ELEMENT_NEEDLE, max_degrees_per_tick, 0x78);
AT(ELEMENT_NEEDLE, readout_goal, 0x7C);
AT(ELEMENT_NEEDLE, theta_goal, 0x84);
AT(ELEMENT_NEEDLE, theta, 0x8C);
AT(ELEMENT_NEEDLE, reference_old, 0x94);
AT(ELEMENT_NEEDLE, corners, 0x9C);
AT(ELEMENT_NEEDLE, needle_data, 0xBC);
AT(ELEMENT_NEEDLE, texture_data, 0xCC);
AT(ELEMENT_NEEDLE, texture_handle, 0xD0);
AT(ELEMENT_NEEDLE, save_buffer, 0xD4);
AT(ELEMENT_NEEDLE, save_position, 0xD8);
AT(ELEMENT_NEEDLE, update_cb, 0xE0);
AT(ELEMENT_NEEDLE, save_size, 0xE4);

SIZE(ELEMENT_STRING, 0x144);
AT(ELEMENT_STRING, source_var, 0x3C);
AT(ELEMENT_STRING, save_var, 0x90);
AT(ELEMENT_STRING, source_var_cb, 0xA8);
AT(ELEMENT_STRING, source_fn, 0xB4);
AT(ELEMENT_STRING, string, 0xB8);
AT(ELEMENT_STRING, string_old, 0xBC);
AT(ELEMENT_STRING, img_size, 0xC0);
AT(ELEMENT_STRING, string_image, 0xC8);
AT(ELEMENT_STRING, save_buffer, 0xCC);
AT(ELEMENT_STRING, fg_color, 0xD0);
AT(ELEMENT_STRING, bg_color, 0xD4);
AT(ELEMENT_STRING, hilite_color, 0xD8);
AT(ELEMENT_STRING, hdc, 0xDC);
AT(ELEMENT_STRING, hfont, 0xE0);
AT(ELEMENT_STRING, hbmp, 0xE8);
AT(ELEMENT_STRING, hbrush, 0xF0);
AT(ELEMENT_STRING, font_name, 0xF8);
AT(ELEMENT_STRING, font_weight, 0x118);
AT(ELEMENT_STRING, font_charset, 0x11C);
AT(ELEMENT_STRING, draw_text_flags, 0x120);
AT(ELEMENT_STRING, max_string_length, 0x124);
AT(ELEMENT_STRING, char_width, 0x126);
AT(ELEMENT_STRING, sel_start, 0x128);
AT(ELEMENT_STRING, sel_end, 0x12A);
AT(ELEMENT_STRING, highlight_list, 0x12C);
AT(ELEMENT_STRING, save_sequence, 0x130);
AT(ELEMENT_STRING, char_height, 0x134);
AT(ELEMENT_STRING, update_cb, 0x138);
AT(ELEMENT_STRING, use_user_color, 0x13C);
AT(ELEMENT_STRING, user_color, 0x140);

SIZE(ELEMENT_ICON, 0x8C);
AT(ELEMENT_ICON, source_var, 0x3C);
AT(ELEMENT_ICON, source_var_cb, 0x58);
AT(ELEMENT_ICON, switch_type, 0x5C);
AT(ELEMENT_ICON, switch_count, 0x60);
AT(ELEMENT_ICON, scale, 0x64);
AT(ELEMENT_ICON, offset, 0x6C);
AT(ELEMENT_ICON, num_icons, 0x70);
AT(ELEMENT_ICON, current_icon, 0x74);
AT(ELEMENT_ICON, destination_icon, 0x78);
AT(ELEMENT_ICON, icon_data, 0x7C);
AT(ELEMENT_ICON, save_buffer, 0x80);
AT(ELEMENT_ICON, update_cb, 0x84);

SIZE(MOUSERECT, 44);
AT(MOUSERECT, relative_box, 0x04);
AT(MOUSERECT, cursor, 0x14);
AT(MOUSERECT, help_id, 0x18);
AT(MOUSERECT, mouse_flags, 0x1C);
AT(MOUSERECT, event_id, 0x20);
AT(MOUSERECT, mouse_function, 0x24);
AT(MOUSERECT, api_data, 0x28);

SIZE(MOUSE_ARG, 72);
AT(MOUSE_ARG, scale, 0x1C);
AT(MOUSE_ARG, numeric_table, 0x24);
AT(MOUSE_ARG, numeric_table_size, 0x28);
AT(MOUSE_ARG, id_table, 0x2C);
AT(MOUSE_ARG, id_table_size, 0x30);
AT(MOUSE_ARG, string_table, 0x34);
AT(MOUSE_ARG, string_table_size, 0x38);
AT(MOUSE_ARG, numeric_callback, 0x3C);
AT(MOUSE_ARG, id_callback, 0x40);
AT(MOUSE_ARG, string_callback, 0x44);
#endif
