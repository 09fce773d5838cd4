// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Windows side of the platform layer. File names arrive as UTF-8 and go to the wide
// (UTF-16) calls, so a player whose profile folder has a name outside the ANSI code page
// still gets settings; files are always opened in binary mode, since text mode would turn
// CR LF into LF and stop at the first 0x1A byte; a file is replaced with MoveFileExW, as
// rename() refuses to overwrite here. The pack lies beside the executable, the settings in
// %APPDATA%\Hollowmere, whatever folder the game was started from.

#include "platform/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <windows.h>

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
