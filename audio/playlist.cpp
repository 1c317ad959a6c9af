// Playlist files. The reader walks a list's bytes line by line, in place,
// and copies nothing longer than a text buffer holds: what does not fit is
// passed over (a location) or cut (a title).
#include "audio/playlist.h"

#include <cstring>

#include "audio/file_view.h"

namespace {

constexpr size_t PLAYLIST_TEXT = 256;

// Part of the list's bytes.
struct PlaylistSpan {
    const char* at;
    size_t length;
};

// Where the reading is: the list's encoding, and what waits for a later line.
struct PlaylistReading {
    int32_t format;
    int32_t utf8;
    int32_t entries;        // .m3u: entries numbered so far
    int32_t header_seen;    // .pls: its [playlist] line
    int32_t title_waiting;  // .m3u: an #EXTINF title for the next entry
    char title[PLAYLIST_TEXT];
    PlaylistVisitor visit;
    void* context;
};

enum PlaylistLineResult { LINE_GO_ON, LINE_STOP, LINE_MALFORMED };

char playlist_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// 1 when the span starts with the lower-case prefix, case aside.
int playlist_starts_with(PlaylistSpan span, const char* prefix) {
    size_t length = strlen(prefix);
    if (span.length < length) {
        return 0;
    }
    for (size_t i = 0; i < length; ++i) {
        if (playlist_lower(span.at[i]) != prefix[i]) {
            return 0;
        }
    }
    return 1;
}

PlaylistSpan playlist_trimmed(const char* at, size_t length) {
    while (length > 0 && (*at == ' ' || *at == '\t')) {
        ++at;
        --length;
    }
    while (length > 0 && (at[length - 1] == ' ' || at[length - 1] == '\t')) {
        --length;
    }
    return PlaylistSpan{at, length};
}

// A location is used whole or not at all; 0 when it does not fit.
int playlist_copy_whole(PlaylistSpan span, char (&text)[PLAYLIST_TEXT]) {
    if (span.length >= PLAYLIST_TEXT) {
        return 0;
    }
    memcpy(text, span.at, span.length);
    text[span.length] = '\0';
    return 1;
}

// A title is cut to fit, in UTF-8 at a character's start.
void playlist_copy_cut(PlaylistSpan span, int32_t utf8, char (&text)[PLAYLIST_TEXT]) {
    size_t length = span.length < PLAYLIST_TEXT ? span.length : PLAYLIST_TEXT - 1;
    if (utf8 == 1 && length < span.length) {
        while (length > 0 && (static_cast<unsigned char>(span.at[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    memcpy(text, span.at, length);
    text[length] = '\0';
}

PlaylistLineResult playlist_hand_on(PlaylistReading& reading, int32_t number, const char* location,
                                    const char* title) {
    PlaylistLine line = {number, location, title, reading.utf8};
    return reading.visit(&line, reading.context) != 0 ? LINE_GO_ON : LINE_STOP;
}

// .m3u and .m3u8: a line is an entry's location, or a comment; an #EXTINF
// comment titles the entry after it ("#EXTINF:seconds,title").
PlaylistLineResult playlist_m3u_line(PlaylistReading& reading, PlaylistSpan line) {
    if (line.at[0] == '#') {
        const char* comma = static_cast<const char*>(memchr(line.at, ',', line.length));
        if (playlist_starts_with(line, "#extinf:") == 1 && comma != nullptr) {
            PlaylistSpan title = playlist_trimmed(comma + 1, line.length - (comma + 1 - line.at));
            playlist_copy_cut(title, reading.utf8, reading.title);
            reading.title_waiting = title.length > 0 ? 1 : 0;
        }
        return LINE_GO_ON;
    }
    if (reading.entries >= PLAYLIST_ENTRY_CAPACITY) {
        return LINE_STOP;
    }
    char location[PLAYLIST_TEXT];
    int fits = playlist_copy_whole(line, location);
    int titled = reading.title_waiting;
    reading.title_waiting = 0;
    if (fits == 0) {
        return LINE_GO_ON;
    }
    ++reading.entries;
    return playlist_hand_on(reading, reading.entries, location,
                            titled == 1 ? reading.title : nullptr);
}

// The number after a .pls key's name ("File12"), or 0 when the rest of the
// key is not a number from 1 to the capacity.
int32_t playlist_key_number(PlaylistSpan key, size_t name_length) {
    int32_t number = 0;
    if (key.length == name_length) {
        return 0;
    }
    for (size_t i = name_length; i < key.length; ++i) {
        if (key.at[i] < '0' || key.at[i] > '9' || number > PLAYLIST_ENTRY_CAPACITY) {
            return 0;
        }
        number = number * 10 + (key.at[i] - '0');
    }
    return number <= PLAYLIST_ENTRY_CAPACITY ? number : 0;
}

// .pls: "[playlist]" first, then FileN= and TitleN= keys; other keys, other
// sections and ; or # comments are passed over.
PlaylistLineResult playlist_pls_line(PlaylistReading& reading, PlaylistSpan line) {
    if (line.at[0] == ';' || line.at[0] == '#') {
        return LINE_GO_ON;
    }
    if (reading.header_seen == 0) {
        if (line.length != 10 || playlist_starts_with(line, "[playlist]") == 0) {
            return LINE_MALFORMED;
        }
        reading.header_seen = 1;
        return LINE_GO_ON;
    }
    const char* equals = static_cast<const char*>(memchr(line.at, '=', line.length));
    if (equals == nullptr) {
        return LINE_GO_ON;
    }
    PlaylistSpan key = playlist_trimmed(line.at, static_cast<size_t>(equals - line.at));
    PlaylistSpan value = playlist_trimmed(equals + 1, line.length - (equals + 1 - line.at));
    char text[PLAYLIST_TEXT];
    if (playlist_starts_with(key, "file") == 1) {
        int32_t number = playlist_key_number(key, 4);
        if (number != 0 && playlist_copy_whole(value, text) == 1) {
            return playlist_hand_on(reading, number, text, nullptr);
        }
    } else if (playlist_starts_with(key, "title") == 1) {
        int32_t number = playlist_key_number(key, 5);
        if (number != 0) {
            playlist_copy_cut(value, reading.utf8, text);
            return playlist_hand_on(reading, number, nullptr, text);
        }
    }
    return LINE_GO_ON;
}

// Text has no control characters but tabs and line ends.
int playlist_is_text(const char* bytes, DWORD size) {
    for (DWORD i = 0; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') {
            return 0;
        }
    }
    return 1;
}

}  // namespace

int32_t playlist_format(const char* path) {
    const char* extension = nullptr;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '.') {
            extension = c + 1;
        } else if (*c == '\\' || *c == '/') {
            extension = nullptr;
        }
    }
    if (extension == nullptr) {
        return PLAYLIST_NONE;
    }
    PlaylistSpan span = {extension, strlen(extension)};
    if (span.length == 3 && playlist_starts_with(span, "m3u") == 1) {
        return PLAYLIST_M3U;
    }
    if (span.length == 4 && playlist_starts_with(span, "m3u8") == 1) {
        return PLAYLIST_M3U8;
    }
    if (span.length == 3 && playlist_starts_with(span, "pls") == 1) {
        return PLAYLIST_PLS;
    }
    return PLAYLIST_NONE;
}

int playlist_parse(const char* bytes, DWORD size, int32_t format, PlaylistVisitor visit,
                   void* context) {
    if (format == PLAYLIST_NONE || playlist_is_text(bytes, size) == 0) {
        return 0;
    }
    PlaylistReading reading = {};
    reading.format = format;
    reading.utf8 = format == PLAYLIST_M3U8 ? 1 : 0;
    reading.visit = visit;
    reading.context = context;
    const char* at = bytes;
    const char* end = bytes + size;
    // A byte order mark says UTF-8 whatever the extension.
    if (size >= 3 && memcmp(at, "\xEF\xBB\xBF", 3) == 0) {
        at += 3;
        reading.utf8 = 1;
    }
    while (at < end) {
        const char* line_end = at;
        while (line_end < end && *line_end != '\n' && *line_end != '\r') {
            ++line_end;
        }
        PlaylistSpan line = playlist_trimmed(at, static_cast<size_t>(line_end - at));
        at = line_end < end ? line_end + 1 : end;
        if (line.length == 0) {
            continue;
        }
        PlaylistLineResult result = format == PLAYLIST_PLS ? playlist_pls_line(reading, line)
                                                           : playlist_m3u_line(reading, line);
        if (result == LINE_MALFORMED) {
            return 0;
        }
        if (result == LINE_STOP) {
            break;
        }
    }
    return format == PLAYLIST_PLS && reading.header_seen == 0 ? 0 : 1;
}

int playlist_read(const char* path, PlaylistVisitor visit, void* context) {
    int32_t format = playlist_format(path);
    if (format == PLAYLIST_NONE) {
        return 0;
    }
    DWORD size = 0;
    LPVOID view = file_view_open(path, PLAYLIST_READ_LIMIT, &size);
    if (view == nullptr) {
        return 0;
    }
    int result = playlist_parse(static_cast<const char*>(view), size, format, visit, context);
    UnmapViewOfFile(view);
    return result;
}

int32_t playlist_entry_kind(const char* location) {
    PlaylistSpan span = {location, strlen(location)};
    return playlist_starts_with(span, "http://") == 1 || playlist_starts_with(span, "https://") == 1
               ? PLAYLIST_ENTRY_STREAM
               : PLAYLIST_ENTRY_FILE;
}

int playlist_entry_wide_path(const char* list_path, const char* location, int32_t utf8,
                             WCHAR* wide) {
    // UTF-8 takes no flags; the system code page composes as the player's
    // own paths do.
    UINT code_page = utf8 == 1 ? CP_UTF8 : CP_ACP;
    DWORD flags = utf8 == 1 ? 0 : MB_PRECOMPOSED;
    // A station's address is whole as it stands.
    int absolute = location[0] == '\\' || location[0] == '/' ||
                   (location[0] != '\0' && location[1] == ':') ||
                   playlist_entry_kind(location) == PLAYLIST_ENTRY_STREAM;
    int folder_length = 0;
    for (int i = 0; absolute == 0 && list_path[i] != '\0'; ++i) {
        if (list_path[i] == '\\' || list_path[i] == '/') {
            folder_length = i + 1;
        }
    }
    // The list's own path is in the system code page, whatever its entries are.
    int written = 0;
    if (folder_length > 0) {
        written = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, list_path, folder_length, wide,
                                      static_cast<int>(PLAYLIST_TEXT) - 1);
        if (written == 0) {
            return 0;
        }
    }
    return MultiByteToWideChar(code_page, flags, location, -1, wide + written,
                               static_cast<int>(PLAYLIST_TEXT) - written) != 0
               ? 1
               : 0;
}

void playlist_display_text(const char* text, int32_t utf8, char* out, int size) {
    if (size <= 0) {
        return;
    }
    if (utf8 == 1) {
        WCHAR wide[PLAYLIST_TEXT];
        if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, PLAYLIST_TEXT) != 0 &&
            WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, nullptr, nullptr) != 0) {
            return;
        }
    }
    size_t length = strlen(text);
    length = length < static_cast<size_t>(size) ? length : static_cast<size_t>(size) - 1;
    memcpy(out, text, length);
    out[length] = '\0';
}
