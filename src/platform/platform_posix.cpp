// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The POSIX files and environment of the platform layer, for Linux (and the other Unix-likes)
// and for the browser, whose Emscripten file system takes the same calls: plain file
// descriptors and stdio, rename(2) for the atomic replace, links followed by std::filesystem.

#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

FILE *open_file(const char *path, const char *mode) {
    return fopen(path, mode);
}

uint8_t *read_file_bytes(const char *path, size_t *size, int *open_error) {
    *size = 0;
    *open_error = 0;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *open_error = errno;
        return nullptr;
    }
    struct stat st;
    size_t capacity =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) + 1 : 1 << 16;
    auto *block = static_cast<uint8_t *>(malloc(capacity));
    size_t have = 0;
    while (block) {
        if (have == capacity) {
            auto *grown = static_cast<uint8_t *>(realloc(block, capacity * 2));
            if (!grown) break;
            block = grown;
            capacity *= 2;
        }
        ssize_t n = read(fd, block + have, capacity - have);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        have += static_cast<size_t>(n);
    }
    close(fd);
    *size = have;
    return block;
}

bool replace_file(const char *from, const char *to) {
    return rename(from, to) == 0;
}

bool remove_file(const char *path) {
    return remove(path) == 0;
}

std::vector<std::string> folder_files(const char *path) {
    std::vector<std::string> names;
    if (DIR *d = opendir(path)) {
        while (const dirent *e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

bool make_folder(const char *path) {
    if (mkdir(path, 0777) == 0) return true;
    struct stat st;
    return errno == EEXIST && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string follow_links(const char *path) {
    namespace fs = std::filesystem;
    fs::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        fs::path next = fs::read_symlink(p, ec);
        if (ec) break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.string();
}

bool is_read_only(const char *path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (ec || !fs::is_regular_file(st)) return false;
    return (st.permissions() & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
           fs::perms::none;
}

void set_environment(const char *name, const char *value) {
    setenv(name, value, 1);
}
