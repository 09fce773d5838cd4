// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Windows side of the platform layer. File names arrive as UTF-8 and go to the wide
// (UTF-16) calls, so a player whose profile folder has a name outside the ANSI code page
// still gets settings; files are always opened in binary mode, since text mode would turn
// CR LF into LF and stop at the first 0x1A byte; a file is replaced with MoveFileExW, as
// rename() refuses to overwrite here. The pack lies beside the executable, the settings in
// %APPDATA%\Hollowmere, whatever folder the game was started from. Full screen fills the
// monitor at its own mode (below, "Full screen").

#include "platform/platform.h"

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <type_traits>
#include <windows.h>

#include <GL/gl.h>

namespace {

std::wstring wide(const char *utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string utf8(const std::wstring &w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// The errno that stands nearest to a Windows error code, so messages read as on POSIX.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    default:
        return EIO;
    }
}

// The folder of the running executable, with its trailing backslash.
std::wstring executable_folder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return std::wstring();
        if (n < name.size()) {
            name.resize(n);
            break;
        }
        name.resize(name.size() * 2); // a long path: try again with room for it
    }
    size_t slash = name.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : name.substr(0, slash + 1);
}

// The player's roaming application data folder: %APPDATA%, or the shell's answer without it.
std::wstring application_data_folder() {
    if (const wchar_t *env = _wgetenv(L"APPDATA"); env && *env) return env;
    wchar_t folder[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder))) return folder;
    return std::wstring();
}

bool is_file(const std::wstring &path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

FILE *open_file(const char *path, const char *mode) {
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

uint8_t *read_file_bytes(const char *path, size_t *size, int *open_error) {
    *size = 0;
    *open_error = 0;
    int fd = _wopen(wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        *open_error = errno;
        return nullptr;
    }
    struct _stat64 st;
    size_t capacity = _fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG
                          ? static_cast<size_t>(st.st_size) + 1
                          : 1 << 16;
    auto *block = static_cast<uint8_t *>(malloc(capacity));
    size_t have = 0;
    while (block) {
        if (have == capacity) {
            auto *grown = static_cast<uint8_t *>(realloc(block, capacity * 2));
            if (!grown) break;
            block = grown;
            capacity *= 2;
        }
        // _read takes at most INT_MAX bytes at a time.
        size_t want = capacity - have < (1u << 30) ? capacity - have : 1u << 30;
        int n = _read(fd, block + have, static_cast<unsigned>(want));
        if (n <= 0) break;
        have += static_cast<size_t>(n);
    }
    _close(fd);
    *size = have;
    return block;
}

bool replace_file(const char *from, const char *to) {
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = errno_of(GetLastError());
    return false;
}

bool remove_file(const char *path) {
    return _wremove(wide(path).c_str()) == 0;
}

std::vector<std::string> folder_files(const char *path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((wide(path) + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(utf8(name));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

bool make_folder(const char *path) {
    std::wstring w = wide(path);
    if (CreateDirectoryW(w.c_str(), nullptr)) return true;
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesW(w.c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    errno = errno_of(error);
    return false;
}

// Links are rare on Windows and need rights a player seldom has; a name stands for itself.
std::string follow_links(const char *path) {
    return path;
}

bool is_read_only(const char *path) {
    DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

game_files locate_game_files() {
    std::wstring beside = executable_folder();
    std::wstring folder = application_data_folder();
    if (!folder.empty()) {
        folder += L"\\Hollowmere";
        DWORD error = CreateDirectoryW(folder.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
        if (error != ERROR_SUCCESS && error != ERROR_ALREADY_EXISTS) {
            fprintf(stderr, "hollowmere: cannot make the folder %s: %s; settings are kept beside the game\n",
                    utf8(folder).c_str(), strerror(errno_of(error)));
            folder.clear();
        } else {
            folder += L"\\";
        }
    }
    if (folder.empty()) folder = beside;
    std::wstring own_pack = folder + L"hollowmere.data";
    return {utf8(is_file(own_pack) ? own_pack : beside + L"hollowmere.data"),
            utf8(folder + L"hollowmere.cfg"), utf8(folder + L"replays")};
}

void set_environment(const char *name, const char *value) {
    _putenv_s(name, value);
}

void prepare_first_window() {}

bool prepare_video_mode(bool) {
    return true;
}

// --- Full screen ------------------------------------------------------------------------------
// The classic SDL 1.2 makes full screen by switching the display to a mode of the game's size:
// the player's other windows are rearranged, the panel's scaler blurs the picture, and a display
// without that mode (no 16-bit modes at all on current Windows) refuses it. These stand-ins,
// named as the SDL calls they stand in for so that the game's code reads the same everywhere,
// give full screen as the SDL 1.2 layer over SDL 2 gives it on Linux: a borderless window over
// the whole monitor at the desktop's own mode, the game drawing into an offscreen framebuffer of
// the size it asked for, which every swap stretches to the largest rectangle of its shape that
// fits, centred between black bars. The game sees a full-screen surface of its own size; the
// viewport, scissor and every other call of its GL code work in that size as before. A driver
// without framebuffer objects (Windows' own GL 1.1 renderer, say) cannot do this: full screen is
// then refused and the window stays. The real calls are SDL.dll's.

namespace {

template <class F> F sdl_call(const char *name) {
    static HMODULE sdl = GetModuleHandleW(L"SDL.dll");
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(sdl ? GetProcAddress(sdl, name) : nullptr));
}

// The framebuffer calls, from GL 3.0 or ARB_framebuffer_object, else their EXT forms.
constexpr GLenum gl_framebuffer = 0x8D40, gl_read_framebuffer = 0x8CA8, gl_draw_framebuffer = 0x8CA9,
                 gl_renderbuffer = 0x8D41, gl_color_attachment0 = 0x8CE0, gl_depth_attachment = 0x8D00,
                 gl_framebuffer_complete = 0x8CD5, gl_rgba8 = 0x8058, gl_depth_component16 = 0x81A5;

struct framebuffer_calls {
    void(APIENTRY *gen_framebuffers)(GLsizei, GLuint *);
    void(APIENTRY *bind_framebuffer)(GLenum, GLuint);
    void(APIENTRY *gen_renderbuffers)(GLsizei, GLuint *);
    void(APIENTRY *bind_renderbuffer)(GLenum, GLuint);
    void(APIENTRY *renderbuffer_storage)(GLenum, GLenum, GLsizei, GLsizei);
    void(APIENTRY *framebuffer_renderbuffer)(GLenum, GLenum, GLenum, GLuint);
    GLenum(APIENTRY *check_framebuffer_status)(GLenum);
    void(APIENTRY *blit_framebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield,
                                     GLenum);
};

bool has_extension(const char *name) {
    const char *all = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    size_t n = strlen(name);
    for (const char *p = all; p && (p = strstr(p, name)); p += n)
        if ((p == all || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

// The calls of the context now current, or none (every member null) where the driver lacks them.
framebuffer_calls find_framebuffer_calls() {
    framebuffer_calls f{};
    const char *version = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    const char *suffix = nullptr;
    if ((version && atoi(version) >= 3) || has_extension("GL_ARB_framebuffer_object"))
        suffix = "";
    else if (has_extension("GL_EXT_framebuffer_object") && has_extension("GL_EXT_framebuffer_blit"))
        suffix = "EXT";
    if (!suffix) return f;
    bool all = true;
    auto find = [&](auto &call, const char *name) {
        char full[64];
        snprintf(full, sizeof full, "%s%s", name, suffix);
        call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(
            reinterpret_cast<void (*)()>(wglGetProcAddress(full)));
        all = all && call;
    };
    find(f.gen_framebuffers, "glGenFramebuffers");
    find(f.bind_framebuffer, "glBindFramebuffer");
    find(f.gen_renderbuffers, "glGenRenderbuffers");
    find(f.bind_renderbuffer, "glBindRenderbuffer");
    find(f.renderbuffer_storage, "glRenderbufferStorage");
    find(f.framebuffer_renderbuffer, "glFramebufferRenderbuffer");
    find(f.check_framebuffer_status, "glCheckFramebufferStatus");
    find(f.blit_framebuffer, "glBlitFramebuffer");
    return all ? f : framebuffer_calls{};
}

struct full_screen_state {
    bool can = false;          // the driver of the last window has framebuffer objects
    bool on = false;           // the window on screen is the full-screen one
    framebuffer_calls calls{}; // of the context now current
    GLuint framebuffer = 0;
    int width = 0, height = 0; // the game's size: the framebuffer's
    SDL_Rect picture{};        // where the swap puts it in the window
    SDL_Surface *window = nullptr;
    SDL_Surface shown{}; // what the game is told of the window
    bool had_window = false;
    POINT window_at{}; // the client area's corner of the window before full screen
} full;

HWND game_window() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWMInfo(&info) > 0 ? info.window : nullptr;
}

// The monitor the game's window is on (the primary one before there is a window).
RECT monitor_area() {
    HWND window = game_window();
    HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info))
        return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return info.rcMonitor;
}

// SDL reads where to put the window it makes from the environment, when its size changes.
void place_next_window(long x, long y) {
    char at[32];
    snprintf(at, sizeof at, "%ld,%ld", x, y);
    _putenv_s("SDL_VIDEO_WINDOW_POS", at);
}

void forget_window_place() {
    _putenv_s("SDL_VIDEO_WINDOW_POS", ""); // an empty value removes the variable
}

// Makes the framebuffer the game draws into and binds it; false when the driver will not.
bool make_framebuffer(int width, int height) {
    const framebuffer_calls &f = full.calls;
    GLuint colour = 0, depth = 0;
    f.gen_framebuffers(1, &full.framebuffer);
    f.bind_framebuffer(gl_framebuffer, full.framebuffer);
    f.gen_renderbuffers(1, &colour);
    f.bind_renderbuffer(gl_renderbuffer, colour);
    f.renderbuffer_storage(gl_renderbuffer, gl_rgba8, width, height);
    f.framebuffer_renderbuffer(gl_framebuffer, gl_color_attachment0, gl_renderbuffer, colour);
    f.gen_renderbuffers(1, &depth);
    f.bind_renderbuffer(gl_renderbuffer, depth);
    f.renderbuffer_storage(gl_renderbuffer, gl_depth_component16, width, height);
    f.framebuffer_renderbuffer(gl_framebuffer, gl_depth_attachment, gl_renderbuffer, depth);
    return f.check_framebuffer_status(gl_framebuffer) == gl_framebuffer_complete;
}

using set_video_mode_call = SDL_Surface *(SDLCALL *)(int, int, int, Uint32);

// A window of the game's size: where it was before full screen when it comes back from there,
// otherwise where SDL puts it.
SDL_Surface *open_window(int width, int height, int bpp, Uint32 flags, bool from_full_screen) {
    static auto real = sdl_call<set_video_mode_call>("SDL_SetVideoMode");
    if (from_full_screen && full.had_window) place_next_window(full.window_at.x, full.window_at.y);
    SDL_Surface *window = real(width, height, bpp, flags);
    forget_window_place();
    full.on = false;
    full.framebuffer = 0; // went with the old context
    if (window && (flags & SDL_OPENGL)) full.can = find_framebuffer_calls().gen_framebuffers != nullptr;
    return window;
}

} // namespace

// Where a picture of a size goes in a window of another: the largest rectangle of its shape that
// fits, centred.
static SDL_Rect fit_picture(int width, int height, int window_width, int window_height) {
    double scale =
        std::fmin(static_cast<double>(window_width) / width, static_cast<double>(window_height) / height);
    int w = static_cast<int>(std::lround(width * scale)), h = static_cast<int>(std::lround(height * scale));
    return SDL_Rect{static_cast<Sint16>((window_width - w) / 2), static_cast<Sint16>((window_height - h) / 2),
                    static_cast<Uint16>(w), static_cast<Uint16>(h)};
}

extern "C" {

int SDL_VideoModeOK(int width, int height, int bpp, Uint32 flags) {
    static auto real = sdl_call<int(SDLCALL *)(int, int, int, Uint32)>("SDL_VideoModeOK");
    if (!(flags & SDL_FULLSCREEN) || !(flags & SDL_OPENGL)) return real(width, height, bpp, flags);
    if (!full.can) {
        SDL_SetError("full screen needs framebuffer objects, which this graphics driver lacks");
        return 0;
    }
    RECT area = monitor_area();
    return real(area.right - area.left, area.bottom - area.top, bpp, (flags & ~SDL_FULLSCREEN) | SDL_NOFRAME);
}

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    if (!(flags & SDL_FULLSCREEN) || !(flags & SDL_OPENGL))
        return open_window(width, height, bpp, flags, full.on);
    if (!full.can) {
        SDL_SetError("full screen needs framebuffer objects, which this graphics driver lacks");
        return nullptr;
    }
    static auto real = sdl_call<set_video_mode_call>("SDL_SetVideoMode");
    SDL_Surface *before = sdl_call<SDL_Surface *(SDLCALL *)()>("SDL_GetVideoSurface")();
    // What to make again should this one fail.
    bool was_full = full.on;
    int was_width = !before ? 0 : was_full ? full.width : before->w;
    int was_height = !before ? 0 : was_full ? full.height : before->h;
    Uint32 was_flags = !before    ? 0
                       : was_full ? flags
                                  : before->flags & (SDL_OPENGL | SDL_NOFRAME | SDL_RESIZABLE);
    if (!was_full) {
        HWND window = game_window();
        full.window_at = POINT{0, 0};
        full.had_window = before && window && ClientToScreen(window, &full.window_at);
    }
    RECT area = monitor_area();
    place_next_window(area.left, area.top);
    SDL_Surface *window =
        real(area.right - area.left, area.bottom - area.top, bpp, (flags & ~SDL_FULLSCREEN) | SDL_NOFRAME);
    forget_window_place();
    full.on = false;
    full.calls = window ? find_framebuffer_calls() : framebuffer_calls{};
    if (!window || !full.calls.gen_framebuffers || !make_framebuffer(width, height)) {
        if (window) SDL_SetError("the %d x %d frame cannot be drawn offscreen", width, height);
        if (was_width > 0) { // the game goes on in the window it had
            if (was_full)
                SDL_SetVideoMode(was_width, was_height, bpp, was_flags);
            else
                open_window(was_width, was_height, bpp, was_flags, true);
        }
        return nullptr;
    }
    full.on = true;
    full.width = width;
    full.height = height;
    full.window = window;
    full.picture = fit_picture(width, height, window->w, window->h);
    full.shown = *window;
    full.shown.w = width;
    full.shown.h = height;
    full.shown.flags = (window->flags & ~SDL_NOFRAME) | SDL_FULLSCREEN;
    return &full.shown;
}

SDL_Surface *SDL_GetVideoSurface() {
    static auto real = sdl_call<SDL_Surface *(SDLCALL *)()>("SDL_GetVideoSurface");
    SDL_Surface *window = real();
    return full.on && window == full.window ? &full.shown : window;
}

// In full screen the frame is stretched into the window first, with the bars (only they: the
// picture covers the rest) cleared black, and the game's scissor and clear colour kept.
void SDL_GL_SwapBuffers() {
    static auto real = sdl_call<void(SDLCALL *)()>("SDL_GL_SwapBuffers");
    if (!full.on) {
        real();
        return;
    }
    const framebuffer_calls &f = full.calls;
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLint box[4];
    GLfloat clear[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    f.bind_framebuffer(gl_read_framebuffer, full.framebuffer);
    f.bind_framebuffer(gl_draw_framebuffer, 0);
    // GL counts rows from the bottom; the picture is centred, so the same offsets serve.
    const SDL_Rect &p = full.picture;
    int w = full.window->w, h = full.window->h, right = p.x + p.w, top = p.y + p.h;
    const GLint bars[4][4] = {{0, 0, p.x, h}, {right, 0, w - right, h}, {0, 0, w, p.y}, {0, top, w, h - top}};
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    for (const auto &bar : bars) {
        if (bar[2] <= 0 || bar[3] <= 0) continue;
        glScissor(bar[0], bar[1], bar[2], bar[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    f.blit_framebuffer(0, 0, full.width, full.height, p.x, p.y, right, top, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    real();
    f.bind_framebuffer(gl_framebuffer, full.framebuffer);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glScissor(box[0], box[1], box[2], box[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

} // extern "C"
