// The simulator's side of the panel records and callbacks, declared by the
// driver itself from the simulator's published layouts (32-bit: 4-byte
// packing, every callback __stdcall) rather than taken from the module's
// own header: a wrong offset or calling convention there then fails a
// check instead of being shared by both sides. The 64-bit build keeps the
// same fields with 8-byte pointers, as the module's 64-bit twin does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

#pragma pack(push, 4)

struct Point {
    int32_t x, y;
};

struct Box {
    int32_t x, y, width, height;
};

struct ModuleVar {
    uint32_t id;
    void* var_ptr;
    int32_t var_type;
    double var_value;
    double var_old;
};

struct GaugeHeader;
struct Element;

enum : int32_t { ELEMENT_NEEDLE = 1, ELEMENT_STRING = 2, ELEMENT_ICON = 4 };

struct Element {
    int32_t kind;
    uint32_t resource_id;
    Point position;
    Point previous_position;
    Point image_offset;
    GaugeHeader* gauge;
    Element* previous;
    Element** next;  // null-terminated
    void* failures;
    uint32_t image_flags;
    uint32_t special_flags;
    uint32_t reserved;
};

// Needles, strings and icons each call back for their value.
typedef double(__stdcall* ValueCallback)(Element* element);

struct ImageSet {
    void* images[4];
};

struct NeedleElement {
    Element header;
    ModuleVar source;
    void* source_callback;
    void* display_value;
    void* angle;
    void* lag;
    Point reference;
    void* nonlinearity;
    uint32_t nonlinearity_size;
    float max_degrees_per_tick;
    double readout_goal;
    double theta_goal;
    double theta;
    Point old_reference;
    Point corners[4];
    ImageSet images;
    void* texture_data;
    void* texture;
    void* save_buffer;
    Point save_position;
    ValueCallback update;
    Point save_size;
};

struct StringElement {
    Element header;
    ModuleVar sources[3];
    double saved[3];
    void* source_callbacks[3];
    void* source_function;
    char* text;
    char* old_text;
    Point image_size;
    void* image;
    void* save_buffer;
    uint32_t colours[3];  // text, background, highlight
    void* device_context;
    void* font;
    void* reserved1;
    void* bitmap;
    void* reserved2;
    void* brush;
    void* reserved3;
    char font_name[32];
    int32_t font_weight;
    uint8_t charset[4];
    uint32_t draw_flags;
    uint16_t max_length;  // characters
    uint16_t char_width;
    uint16_t selection[2];
    void* highlights;
    void* saved_sequence;
    int32_t char_height;
    ValueCallback update;
    uint32_t use_user_colour;
    uint32_t user_colour;
};

struct IconElement {
    Element header;
    ModuleVar source;
    void* source_callback;
    int32_t switch_kind;
    uint32_t switch_count;
    double scale;
    int32_t offset;
    uint32_t image_count;
    uint32_t current_image;
    uint32_t destination_image;
    ImageSet* images;
    void* save_buffer;
    ValueCallback update;
    uint32_t reserved;
};

enum : int32_t { RECT_END = 0, RECT_AREA = 1, RECT_CLICK = 2, RECT_AREA_END = 3, RECT_TOOLTIP = 4 };
enum : uint32_t { MOUSE_RIGHT = 0x80000000u, MOUSE_LEFT = 0x20000000u, MOUSE_REPEAT = 0x00200000u };

typedef int32_t(__stdcall* MouseHandler)(Point* relative_point, uint32_t flags);

struct MouseRect {
    int32_t kind;
    Box box;
    int32_t cursor;
    uint32_t help_id;
    uint32_t flags;
    uint32_t event_id;     // a tooltip's argument count
    MouseHandler handler;  // a tooltip's text
    void* extra;           // a tooltip's argument array
};

typedef const char*(__stdcall* TooltipText)(double number, uint32_t id, const char* text,
                                            ModuleVar* source, GaugeHeader* gauge);

struct TooltipArg {
    ModuleVar source;
    double scale;
    void* numeric_table;
    uint32_t numeric_table_size;
    void* id_table;
    uint32_t id_table_size;
    void* string_table;
    uint32_t string_table_size;
    void* numeric_callback;
    void* id_callback;
    TooltipText text_callback;
};

enum : int32_t { SERVICE_PRE_INSTALL = 2, SERVICE_PRE_UPDATE = 6, SERVICE_PRE_KILL = 12 };

typedef void(__stdcall* ServiceRoutine)(GaugeHeader* gauge, int32_t code, uintptr_t extra);
typedef int32_t(__stdcall* Routine)();
typedef int32_t(__stdcall* InstallRoutine)(uintptr_t resource);
typedef int32_t(__stdcall* GenerateRoutine)(uint32_t phase);

struct GaugeHeader {
    uint32_t version;
    const char* name;
    Element** elements;
    Routine query;
    InstallRoutine install;
    Routine initialize;
    Routine update;
    GenerateRoutine generate;
    Routine draw;
    Routine kill;
    void* resource;
    uint32_t size_x_mm;
    uint32_t size_y_mm;
    float x_adjust;
    float y_adjust;
    void* reserved1;
    void* reserved2;
    Point position;
    void* reserved3;
    MouseRect* mouse_rects;
    ServiceRoutine service;
    uint32_t user_data;
    char* parameters;
    char* usage;
    uint32_t later_fields[26];
};

// The services table's element-list slots; the driver answers them.
enum : int {
    SLOT_QUERY = 24,
    SLOT_INSTALL = 25,
    SLOT_INITIALIZE = 26,
    SLOT_UPDATE = 27,
    SLOT_GENERATE = 28,
    SLOT_PLOT = 29,
    SLOT_ERASE = 30,
    SLOT_KILL = 31,
    SLOT_COUNT = 64,
};

struct Services {
    void* slot[SLOT_COUNT];
};

struct ImportTable {
    uintptr_t services_id;  // 0x0F
    Services* services;
    uintptr_t end_id;
    void* end;
};

struct Linkage {
    uintptr_t module_id;  // 0x13
    void(__stdcall* init)();
    void(__stdcall* deinit)();
    uintptr_t flags;
    uintptr_t priority;
    uintptr_t version;
    GaugeHeader* gauges[2];  // null-terminated
};

#pragma pack(pop)

#if defined(__i386__)
static_assert(sizeof(ModuleVar) == 28 && offsetof(ModuleVar, var_value) == 0x0C, "module var");
static_assert(sizeof(Element) == 0x3C && offsetof(Element, next) == 0x28, "element header");
static_assert(offsetof(NeedleElement, update) == 0xE0 && sizeof(NeedleElement) == 0xEC, "needle");
static_assert(offsetof(StringElement, text) == 0xB8 &&
                  offsetof(StringElement, max_length) == 0x124 &&
                  offsetof(StringElement, update) == 0x138 && sizeof(StringElement) == 0x144,
              "string");
static_assert(offsetof(IconElement, update) == 0x84 && sizeof(IconElement) == 0x8C, "icon");
static_assert(sizeof(MouseRect) == 44 && offsetof(MouseRect, handler) == 0x24, "mouse rectangle");
static_assert(sizeof(TooltipArg) == 72 && offsetof(TooltipArg, text_callback) == 0x44,
              "tooltip argument");
static_assert(offsetof(GaugeHeader, kill) == 0x24 && offsetof(GaugeHeader, size_x_mm) == 0x2C &&
                  offsetof(GaugeHeader, mouse_rects) == 0x50 &&
                  offsetof(GaugeHeader, service) == 0x54 && offsetof(GaugeHeader, usage) == 0x60 &&
                  sizeof(GaugeHeader) == 0xCC,
              "gauge header");
static_assert(offsetof(Linkage, gauges) == 0x18 && sizeof(ImportTable) == 16, "linkage");
#endif

}  // namespace sim
