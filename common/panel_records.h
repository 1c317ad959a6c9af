// The panel system's records: what the host reads from the module and the
// forms of the callbacks it calls. Every layer may include them. On 32-bit
// Windows they have the host's published layout (4-byte packing, checked
// field by field in gauge/record_layouts.cpp); on the native build the same
// records hold native pointers, since our own host reads them there.
#pragma once

#include <cstdint>

#include "platform/win32.h"

#if defined(_WIN32)
#define FSAPI __stdcall
// The records the host finds by name in the module's export directory.
#define GAUGE_EXPORT extern "C" __declspec(dllexport)
#pragma pack(push, 4)
#else
#define FSAPI
// The module is built with hidden symbols; only these are seen by the host.
#define GAUGE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

typedef double FLOAT64;
typedef int32_t SINT32;
typedef uint32_t UINT32;
typedef uint32_t ID;
typedef uint32_t FLAGS;
typedef int32_t ENUM;

struct PIXPOINT {
    SINT32 x;
    SINT32 y;
};

struct PIXBOX {
    SINT32 x;
    SINT32 y;
    SINT32 size_x;
    SINT32 size_y;
};

struct MODULE_VAR {
    ID id;
    void* var_ptr;
    ENUM var_type;
    FLOAT64 var_value;
    FLOAT64 var_old;
};

struct IMAGE_SET {
    void* final_image;
    void* source_image;
    void* reserved1;
    void* reserved2;
};

struct GAUGEHDR;
struct ELEMENT_HEADER;
typedef ELEMENT_HEADER** ELEMENT_LIST;

// Element kinds.
enum : ENUM {
    ELEMENT_TYPE_STATIC_IMAGE = 0,
    ELEMENT_TYPE_NEEDLE = 1,
    ELEMENT_TYPE_STRING = 2,
    ELEMENT_TYPE_SLIDER = 3,
    ELEMENT_TYPE_ICON = 4,
    ELEMENT_TYPE_MOVING_IMAGE = 5,
    ELEMENT_TYPE_SPRITE = 6,
};

// Image flags.
enum : FLAGS {
    IMAGE_USE_TRANSPARENCY = 0x00000001,
    IMAGE_USE_ERASE = 0x00000002,
    IMAGE_USE_BRIGHT = 0x00000004,
    IMAGE_USE_LUMINOUS = 0x00004000,
    IMAGE_HIDDEN = 0x40000000,
};

// The header every element record starts with.
struct ELEMENT_HEADER {
    ENUM element_type;
    ID resource_id;
    PIXPOINT position;
    PIXPOINT previous_position;
    PIXPOINT ofs;
    GAUGEHDR* gauge_header;
    ELEMENT_HEADER* previous_element;
    ELEMENT_LIST next_element;
    void* failure_systems;
    FLAGS image_flags;
    FLAGS aircraft_special_instrumentation;
    FLAGS reserved;
};

struct ELEMENT_STATIC_IMAGE {
    ELEMENT_HEADER header;
    IMAGE_SET image_data;
    void* save_buffer;
    void* hdc;
    void* hbmp;
    UINT32 reserved1;
    UINT32 reserved2;
};

struct NONLINEARITY {
    PIXPOINT pt;
    FLOAT64 value;
    FLOAT64 degrees;
};

struct ELEMENT_NEEDLE;
typedef FLOAT64(FSAPI* PNEEDLE_UPDATE_CALLBACK)(ELEMENT_NEEDLE* element);

struct ELEMENT_NEEDLE {
    ELEMENT_HEADER header;
    MODULE_VAR source_var;
    void* source_var_cb;
    void* display_value_fn;
    void* angle_fn;
    void* lag_fn;
    PIXPOINT reference;
    NONLINEARITY* nonlinearity_table;
    UINT32 nonlinearity_table_size;
    float max_degrees_per_tick;
    FLOAT64 readout_goal;
    FLOAT64 theta_goal;
    FLOAT64 theta;
    PIXPOINT reference_old;
    PIXPOINT corners[4];
    IMAGE_SET needle_data;
    void* texture_data;
    void* texture_handle;
    void* save_buffer;
    PIXPOINT save_position;
    PNEEDLE_UPDATE_CALLBACK update_cb;
    PIXPOINT save_size;
};

struct ELEMENT_STRING;
typedef FLOAT64(FSAPI* PSTRING_UPDATE_CALLBACK)(ELEMENT_STRING* element);

struct ELEMENT_STRING {
    ELEMENT_HEADER header;
    MODULE_VAR source_var[3];
    FLOAT64 save_var[3];
    void* source_var_cb[3];
    void* source_fn;
    char* string;
    char* string_old;
    PIXPOINT img_size;
    void* string_image;
    void* save_buffer;
    UINT32 fg_color;
    UINT32 bg_color;
    UINT32 hilite_color;
    void* hdc;
    void* hfont;
    void* reserved1;
    void* hbmp;
    void* reserved2;
    void* hbrush;
    void* reserved3;
    char font_name[32];
    SINT32 font_weight;
    uint8_t font_charset;
    uint8_t padding[3];
    UINT32 draw_text_flags;
    uint16_t max_string_length;
    uint16_t char_width;
    uint16_t sel_start;
    uint16_t sel_end;
    void* highlight_list;
    void* save_sequence;
    SINT32 char_height;
    PSTRING_UPDATE_CALLBACK update_cb;
    UINT32 use_user_color;
    UINT32 user_color;
};

struct ELEMENT_ICON;
typedef FLOAT64(FSAPI* PICON_UPDATE_CALLBACK)(ELEMENT_ICON* element);

struct ELEMENT_ICON {
    ELEMENT_HEADER header;
    MODULE_VAR source_var;
    void* source_var_cb;
    ENUM switch_type;
    UINT32 switch_count;
    FLOAT64 scale;
    SINT32 offset;
    UINT32 num_icons;
    UINT32 current_icon;
    UINT32 destination_icon;
    void* icon_data;
    void* save_buffer;
    PICON_UPDATE_CALLBACK update_cb;
    UINT32 reserved;
};

// Mouse rectangles.
enum : ENUM {
    MOUSE_RECT_EOL = 0,
    MOUSE_RECT_PARENT = 1,
    MOUSE_RECT_CHILD = 2,
    MOUSE_RECT_END_PARENT = 3,
    MOUSE_RECT_TOOLTIP_TEXT = 4,
};

enum : SINT32 {
    CURSOR_NONE = -1,
    CURSOR_NORMAL = 0,
    CURSOR_UPARROW = 1,
    CURSOR_DOWNARROW = 2,
    CURSOR_LEFTARROW = 3,
    CURSOR_RIGHTARROW = 4,
    CURSOR_HAND = 5,
};

enum : FLAGS {
    MOUSE_RIGHTSINGLE = 0x80000000,
    MOUSE_LEFTSINGLE = 0x20000000,
    MOUSE_DOWN_REPEAT = 0x00200000,
};

// The handler's first argument starts with the click point relative to the box.
typedef BOOL(FSAPI* PMOUSE_FUNCTION)(PIXPOINT* relative_point, FLAGS mouse_flags);

struct MOUSERECT {
    ENUM rect_type;
    PIXBOX relative_box;
    SINT32 cursor;
    ID help_id;
    FLAGS mouse_flags;
    ID event_id;
    // A tooltip record keeps its text's address here.
    PMOUSE_FUNCTION mouse_function;
    // A tooltip record keeps its argument array's address here.
    void* api_data;
};

typedef const char*(FSAPI* PGET_TOOLTIP_STRING)(FLOAT64 number, ID id, const char* string,
                                                MODULE_VAR* source_var, GAUGEHDR* gauge);

struct MOUSE_ARG {
    MODULE_VAR source_var;
    FLOAT64 scale;
    void* numeric_table;
    UINT32 numeric_table_size;
    void* id_table;
    UINT32 id_table_size;
    void* string_table;
    UINT32 string_table_size;
    void* numeric_callback;
    void* id_callback;
    PGET_TOOLTIP_STRING string_callback;
};

// Service codes the gauge acts on.
enum : SINT32 {
    PANEL_SERVICE_PRE_INSTALL = 2,
    PANEL_SERVICE_PRE_UPDATE = 6,
    PANEL_SERVICE_PRE_KILL = 12,
};

typedef void(FSAPI* PGAUGE_CALLBACK)(GAUGEHDR* gauge, SINT32 service_id, UINT_PTR extra_data);
typedef SINT32(FSAPI* PQUERY_ROUTINE)(void);
typedef SINT32(FSAPI* PINSTALL_ROUTINE)(UINT_PTR resource_handle);
typedef SINT32(FSAPI* PINITIALIZE_ROUTINE)(void);
typedef SINT32(FSAPI* PUPDATE_ROUTINE)(void);
typedef SINT32(FSAPI* PGENERATE_ROUTINE)(UINT32 phase);
typedef SINT32(FSAPI* PDRAW_ROUTINE)(void);
typedef SINT32(FSAPI* PKILL_ROUTINE)(void);

struct GAUGEHDR {
    UINT32 gauge_header_version;
    const char* gauge_name;
    ELEMENT_LIST elements_list;
    PQUERY_ROUTINE query_routine;
    PINSTALL_ROUTINE install_routine;
    PINITIALIZE_ROUTINE initialize_routine;
    PUPDATE_ROUTINE update_routine;
    PGENERATE_ROUTINE generate_routine;
    PDRAW_ROUTINE draw_routine;
    PKILL_ROUTINE kill_routine;
    void* reserved1;  // the host keeps the module's resource handle here
    UINT32 size_x_mm;
    UINT32 size_y_mm;
    float x_adjust;
    float y_adjust;
    void* reserved2;
    void* reserved3;
    PIXPOINT position;
    void* reserved4;
    MOUSERECT* mouse_rect;
    PGAUGE_CALLBACK gauge_callback;
    UINT32 user_data;
    char* parameters;
    char* usage;
    UINT32 later_fields[26];
};

// The host's table of services, one routine address per slot.
typedef SINT32(FSAPI* PELEMENT_LIST_ROUTINE)(ELEMENT_HEADER* element);
typedef SINT32(FSAPI* PELEMENT_LIST_INSTALL)(ELEMENT_HEADER* element, UINT_PTR resource_handle);
typedef SINT32(FSAPI* PELEMENT_LIST_GENERATE)(ELEMENT_HEADER* element, UINT32 phase);

enum {
    PANEL_SLOT_ELEMENT_LIST_QUERY = 24,
    PANEL_SLOT_ELEMENT_LIST_INSTALL = 25,
    PANEL_SLOT_ELEMENT_LIST_INITIALIZE = 26,
    PANEL_SLOT_ELEMENT_LIST_UPDATE = 27,
    PANEL_SLOT_ELEMENT_LIST_GENERATE = 28,
    PANEL_SLOT_ELEMENT_LIST_PLOT = 29,
    PANEL_SLOT_ELEMENT_LIST_ERASE = 30,
    PANEL_SLOT_ELEMENT_LIST_KILL = 31,
    PANEL_SLOT_COUNT = 64,
};

struct PANELS {
    void* slot[PANEL_SLOT_COUNT];
};

struct IMPORT_ENTRY {
    UINT_PTR fnptr_id;
    PANELS* fnptr;
};

struct IMPORT_TABLE {
    IMPORT_ENTRY panels_entry;
    IMPORT_ENTRY end;
};

typedef void(FSAPI* PMODULE_ROUTINE)(void);

struct GAUGESLINKAGE {
    UINT_PTR module_id;
    PMODULE_ROUTINE module_init;
    PMODULE_ROUTINE module_deinit;
    UINT_PTR flags;
    UINT_PTR module_status;
    UINT_PTR module_version;
    GAUGEHDR* gauge_header_ptr[2];
};

#if defined(_WIN32)
#pragma pack(pop)
#endif
