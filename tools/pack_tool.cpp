// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The pack tool: directory to pack and back, listing, and the verification that checks every
// resource the way the game will read it (the game's own texture, mesh and material readers,
// SDL's WAV decoder). Damaged input always ends in a one-line message, never a crash.

#include "tools/pack_tool.h"

#include "tools/pack_convert.h"

#include "pack/pack.h"
#include "render/render.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

resource_kind kind_of(const std::string &name) {
    if (name.starts_with("texture_")) return resource_kind::texture;
    if (name.starts_with("object_")) return resource_kind::mesh;
    if (name.starts_with("material_")) return resource_kind::material;
    if (name.starts_with("audio_")) return resource_kind::sound;
    return resource_kind::other;
}

const char *kind_label(resource_kind kind) {
    switch (kind) {
    case resource_kind::texture:
        return "texture";
    case resource_kind::mesh:
        return "mesh";
    case resource_kind::material:
        return "material";
    case resource_kind::sound:
        return "sound";
    default:
        return "other";
    }
}

const char *kind_extension(resource_kind kind) {
    switch (kind) {
    case resource_kind::texture:
        return ".bmp";
    case resource_kind::mesh:
        return ".obj";
    case resource_kind::material:
        return ".txt";
    case resource_kind::sound:
        return ".wav";
    default:
        return ".bin";
    }
}

bool is_text_kind(resource_kind kind) {
    return kind == resource_kind::mesh || kind == resource_kind::material;
}

namespace {

bool read_whole_file(const fs::path &path, std::vector<uint8_t> *out, std::string *error) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        *error = path.string() + ": cannot open: " + strerror(errno);
        return false;
    }
    out->clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        out->insert(out->end(), buffer, buffer + n);
    bool failed = ferror(f);
    fclose(f);
    if (failed) {
        *error = path.string() + ": read error";
        return false;
    }
    return true;
}

bool write_whole_file(const fs::path &path, const uint8_t *data, size_t size, std::string *error) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) {
        *error = path.string() + ": cannot write: " + strerror(errno);
        return false;
    }
    bool ok = fwrite(data, 1, size, f) == size;
    ok = (fclose(f) == 0) && ok;
    if (!ok) *error = path.string() + ": write failed: " + strerror(errno);
    return ok;
}

// Resource names become file names on extraction, so only plain names are accepted.
bool safe_file_name(const std::string &name) {
    if (name.empty() || name == "." || name == ".." || name[0] == '.') return false;
    for (unsigned char c : name)
        if (c < 32 || c == '/' || c == '\\' || c == 127) return false;
    return true;
}

uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Undoes the run-length coding; names the first damage it meets, if any.
std::vector<uint8_t> plain_stream(const std::vector<uint8_t> &encoded, std::string *damage) {
    std::vector<uint8_t> plain;
    size_t i = 0;
    while (i < encoded.size()) {
        uint8_t c = encoded[i++];
        if (c & 0x80) {
            if (i >= encoded.size()) {
                *damage = "the last run packet has no value byte";
                break;
            }
            plain.insert(plain.end(), c & 0x7f, encoded[i++]);
        } else {
            size_t n = std::min<size_t>(c, encoded.size() - i);
            if (n < c) *damage = "the last literal packet is cut short";
            plain.insert(plain.end(), encoded.begin() + static_cast<long>(i),
                         encoded.begin() + static_cast<long>(i + n));
            i += n;
        }
    }
    return plain;
}

// Where the plain stream stops holding whole records, if it does.
std::string record_damage(const std::vector<uint8_t> &plain) {
    size_t at = 0;
    int index = 0;
    while (at < plain.size()) {
        if (plain.size() - at < static_cast<size_t>(PACK_HEADER_SIZE))
            return "record " + std::to_string(index + 1) + " is cut short in its header";
        uint32_t size = le32(&plain[at]);
        char name[512];
        memcpy(name, &plain[at + 4], sizeof name);
        name[511] = 0;
        if (plain.size() - at - PACK_HEADER_SIZE < size)
            return "record " + std::to_string(index + 1) + " (" + printable_name(name) + ") states " +
                   std::to_string(size) + " bytes but only " +
                   std::to_string(plain.size() - at - PACK_HEADER_SIZE) + " follow";
        at += PACK_HEADER_SIZE + static_cast<size_t>(size);
        ++index;
    }
    return {};
}

// The game's decoder prints a line per record; the tool's own output stays clean.
pack_entry *decode_quietly(const std::vector<uint8_t> &encoded) {
    fflush(stdout);
    fflush(stderr);
    int saved_out = dup(1), saved_err = dup(2);
    int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
        dup2(null_fd, 1);
        dup2(null_fd, 2);
        close(null_fd);
    }
    pack_entry *head = decode_pack(encoded);
    fflush(stdout);
    fflush(stderr);
    if (saved_out >= 0) {
        dup2(saved_out, 1);
        close(saved_out);
    }
    if (saved_err >= 0) {
        dup2(saved_err, 2);
        close(saved_err);
    }
    return head;
}

// The text a game reader sees: everything before the first NUL; false when there is none.
bool text_of(const std::vector<uint8_t> &data, std::string *text) {
    auto nul = std::find(data.begin(), data.end(), uint8_t{0});
    if (nul == data.end()) return false;
    text->assign(data.begin(), nul);
    return true;
}

} // namespace

namespace {

// The regular files of dir that make records (hidden ones aside), in file name order, each with
// its resource name; false with a one-line reason when a name is unusable or comes twice.
bool list_dir_files(const std::string &dir, std::vector<std::pair<fs::path, std::string>> *out,
                    std::string *error) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        *error = dir + ": not a directory";
        return false;
    }
    std::vector<fs::path> files;
    // Hidden files (editor swap files and the like) are not resources.
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && !it->path().filename().string().starts_with("."))
            files.push_back(it->path());
    if (ec) {
        *error = dir + ": cannot read directory: " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end(), [](const fs::path &a, const fs::path &b) {
        return a.filename().string() < b.filename().string();
    });
    std::map<std::string, std::string> seen;
    out->clear();
    for (const fs::path &file : files) {
        std::string name = file.stem().string();
        if (name.empty() || name.size() > 511) {
            *error = file.string() + ": the file name does not make a resource name (1 to 511 characters)";
            return false;
        }
        if (auto it = seen.find(name); it != seen.end()) {
            *error = file.string() + ": resource " + name + " also comes from " + it->second;
            return false;
        }
        seen[name] = file.string();
        out->emplace_back(file, name);
    }
    return true;
}

} // namespace

bool collect_dir_records(const std::string &dir, std::vector<pack_record> *records, std::string *error) {
    std::vector<std::pair<fs::path, std::string>> files;
    if (!list_dir_files(dir, &files, error)) return false;
    records->clear();
    for (const auto &[file, name] : files) {
        pack_record r;
        r.name = name;
        if (!read_whole_file(file, &r.data, error)) return false;
        std::string ext = file.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext == ".obj" || ext == ".txt") r.data.push_back(0);
        records->push_back(std::move(r));
    }
    return true;
}

std::vector<uint8_t> encode_records(const std::vector<pack_record> &records) {
    std::vector<uint8_t> plain;
    for (const pack_record &r : records)
        append_pack_record(plain, r.name, r.data);
    return encode_pack_stream(plain);
}

bool convert_dir_records(const std::string &dir, std::vector<pack_record> *records,
                         std::vector<std::string> *notes, std::string *error) {
    std::vector<std::pair<fs::path, std::string>> files;
    if (!list_dir_files(dir, &files, error)) return false;
    records->clear();
    std::string refusals;
    for (const auto &[file, name] : files) {
        std::vector<uint8_t> bytes;
        if (!read_whole_file(file, &bytes, error)) return false;
        std::string file_name = file.filename().string();
        converted_file c = convert_resource_file(file_name, bytes);
        if (!c.ok) {
            refusals += (refusals.empty() ? "" : "\n") + file.string() + ": " + c.note;
            continue;
        }
        if (c.changed && notes) notes->push_back(file_name + ": " + c.note);
        records->push_back(pack_record{name, std::move(c.data)});
    }
    if (!refusals.empty()) {
        *error = refusals;
        return false;
    }
    return true;
}

bool build_pack(const std::string &out_path, const std::string &dir, std::string *error,
                std::vector<std::string> *notes) {
    std::vector<pack_record> records;
    if (!convert_dir_records(dir, &records, notes, error)) return false;
    if (records.empty()) {
        *error = dir + ": no files to pack";
        return false;
    }
    std::vector<uint8_t> encoded = encode_records(records);
    if (!write_pack_file(out_path.c_str(), encoded)) {
        *error = out_path + ": cannot write: " + strerror(errno);
        return false;
    }
    return true;
}

bool read_pack(const std::string &path, std::vector<pack_record> *records, std::string *error) {
    std::vector<uint8_t> encoded;
    records->clear();
    if (!read_whole_file(path, &encoded, error)) return false;
    if (encoded.empty()) {
        *error = path + ": empty file, no records";
        return false;
    }
    std::string damage;
    std::vector<uint8_t> plain = plain_stream(encoded, &damage);
    std::string cut = record_damage(plain);
    pack_entry *head = decode_quietly(encoded);
    for (pack_entry *e = head; e; e = e->next)
        records->push_back(pack_record{e->name, std::vector<uint8_t>(e->data, e->data + e->size)});
    free_pack(head);
    std::reverse(records->begin(), records->end()); // the decoder's list runs newest first
    if (!cut.empty()) {
        *error = path + ": damaged: " + cut;
        return false;
    }
    if (!damage.empty()) {
        *error = path + ": damaged: " + damage;
        return false;
    }
    return true;
}

bool bitmap_size(const std::vector<uint8_t> &data, int32_t *width, int32_t *height) {
    if (data.size() < 26 || data[0] != 'B' || data[1] != 'M') return false;
    *width = static_cast<int32_t>(le32(&data[18]));
    *height = static_cast<int32_t>(le32(&data[22]));
    return true;
}

void list_records(const std::vector<pack_record> &records, FILE *out) {
    for (const pack_record &r : records) {
        resource_kind kind = kind_of(r.name);
        fprintf(out, "%-24s %9zu  %s", printable_name(r.name.c_str()).c_str(), r.data.size(),
                kind_label(kind));
        int32_t w, h;
        if (kind == resource_kind::texture && bitmap_size(r.data, &w, &h)) fprintf(out, "  %dx%d", w, h);
        fputc('\n', out);
    }
}

bool extract_records(const std::vector<pack_record> &records, const std::string &dir, std::string *error) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
        *error = dir + ": cannot create directory";
        return false;
    }
    for (const pack_record &r : records) {
        if (!safe_file_name(r.name)) {
            *error = "record name \"" + printable_name(r.name.c_str()) +
                     "\" cannot be a file name; nothing written for it";
            return false;
        }
        resource_kind kind = kind_of(r.name);
        size_t size = r.data.size();
        if (is_text_kind(kind)) {
            if (size == 0 || r.data.back() != 0) {
                *error =
                    r.name + ": text record without its terminating NUL; extraction would not round-trip";
                return false;
            }
            --size;
        }
        fs::path file = fs::path(dir) / (r.name + kind_extension(kind));
        if (!write_whole_file(file, r.data.data(), size, error)) return false;
    }
    return true;
}

std::vector<std::string> check_texture(const std::string &name, const std::vector<uint8_t> &data) {
    std::vector<std::string> problems;
    auto problem = [&](const std::string &what) { problems.push_back(name + ": " + what); };
    if (data.size() < 30) {
        problem("bitmap header cut short (" + std::to_string(data.size()) + " bytes)");
        return problems;
    }
    if (data[0] != 'B' || data[1] != 'M') {
        problem("not a bitmap (no \"BM\" signature)");
        return problems;
    }
    uint32_t header = le32(&data[14]);
    auto width = static_cast<int32_t>(le32(&data[18]));
    auto height = static_cast<int32_t>(le32(&data[22]));
    unsigned bits = data[28] | data[29] << 8;
    if (header < 40 || header > data.size()) {
        problem("information header of " + std::to_string(header) + " bytes (expected 40)");
        return problems;
    }
    if (bits != 24) problem(std::to_string(bits) + " bits per pixel (expected 24)");
    if (le32(&data[30]) != 0) problem("compressed bitmap (expected uncompressed)");
    if (width <= 0 || height <= 0) {
        problem("size " + std::to_string(width) + "x" + std::to_string(height) + " (expected positive)");
        return problems;
    }
    if (width % 4 != 0) problem("width " + std::to_string(width) + " is not a multiple of 4 (padded rows)");
    uint64_t need = 14ull + header + 3ull * static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (data.size() < need) {
        problem("bitmap too short: " + std::to_string(width) + "x" + std::to_string(height) + " needs " +
                std::to_string(need) + " bytes, has " + std::to_string(data.size()));
        return problems;
    }
    if (le32(&data[10]) != 14 + header)
        problem("pixel offset " + std::to_string(le32(&data[10])) + " differs from " +
                std::to_string(14 + header) + " (viewers and the game would disagree)");
    if (!problems.empty()) return problems;
    int32_t w = 0, h = 0;
    std::vector<uint8_t> pixels;
    if (!convert_texture(name, data.data(), data.size(), 3, &w, &h, &pixels) || w != width || h != height)
        problem("rejected by the game's texture loader");
    return problems;
}

std::vector<std::string> check_mesh(const std::string &name, const std::vector<uint8_t> &data) {
    std::vector<std::string> problems;
    auto problem = [&](int line, const std::string &what) {
        problems.push_back(name + ": " + (line ? "line " + std::to_string(line) + ": " : std::string()) +
                           what);
    };
    std::string text;
    if (!text_of(data, &text)) {
        problem(0, "text has no terminating NUL");
        return problems;
    }
    if (text.starts_with("f")) problem(1, "the text begins with a face line, which the game cannot find");
    // The game counts every statement before it reads faces, so indices refer to whole-file counts.
    int counts[3] = {0, 0, 0}; // v, vt, vn
    int faces = 0;
    struct face_line {
        int line;
        size_t at;
    };
    std::vector<face_line> face_lines;
    size_t at = 0;
    for (int line = 1; at < text.size(); ++line) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string s = text.substr(at, end - at) + "\n";
        float a, b, c;
        if (s.starts_with("v ")) {
            if (sscanf(s.c_str(), "v %f %f %f", &a, &b, &c) != 3)
                problem(line, "vertex does not give three numbers");
            ++counts[0];
        } else if (s.starts_with("vt")) {
            if (sscanf(s.c_str(), "vt %f %f", &a, &b) != 2)
                problem(line, "texture coordinate does not give two numbers");
            ++counts[1];
        } else if (s.starts_with("vn")) {
            if (sscanf(s.c_str(), "vn %f %f %f", &a, &b, &c) != 3)
                problem(line, "normal does not give three numbers");
            ++counts[2];
        } else if (s.starts_with("f ")) {
            ++faces;
            face_lines.push_back({line, at});
        } else if (s.starts_with("f")) {
            problem(line, "only face lines may begin with 'f'");
        }
        at = end + 1;
    }
    if (counts[0] == 0) problem(0, "no vertices");
    if (faces == 0) problem(0, "no faces");
    static const char *const kinds[3] = {"vertex", "texture", "normal"};
    for (const face_line &f : face_lines) {
        const char *p = text.c_str() + f.at + 2;
        while (*p == ' ' || *p == '\t')
            ++p;
        int corners = 0;
        while (*p && *p != '\n' && *p != '\r') {
            int idx[3];
            if (sscanf(p, "%d/%d/%d", &idx[0], &idx[1], &idx[2]) != 3) {
                problem(f.line, "face corner " + std::to_string(corners + 1) + " is not v/t/n");
                break;
            }
            ++corners;
            for (int k = 0; k < 3; ++k)
                if (idx[k] < 1 || idx[k] > counts[k])
                    problem(f.line, "face " + std::string(kinds[k]) + " index " + std::to_string(idx[k]) +
                                        " out of range (1.." + std::to_string(counts[k]) + ")");
            while (*p && *p != ' ' && *p != '\t' && *p != '\n')
                ++p;
            while (*p == ' ' || *p == '\t')
                ++p;
        }
        if (corners < 3) problem(f.line, "face with " + std::to_string(corners) + " corners");
    }
    if (!problems.empty()) return problems;
    geo *g = parse_obj(name.c_str(), text.c_str(), text.size());
    if (!g) {
        problem(0, "rejected by the game's mesh reader");
        return problems;
    }
    if (g->vertex_count != counts[0] || g->texcoord_count != counts[1] || g->normal_count != counts[2])
        problem(0, "the game's mesh reader counts different statements");
    free_geo(g);
    return problems;
}

std::vector<std::string> check_material(const std::string &name, const std::vector<uint8_t> &data) {
    std::vector<std::string> problems;
    std::string text;
    if (!text_of(data, &text)) {
        problems.push_back(name + ": text has no terminating NUL");
        return problems;
    }
    for (const char *keyword : {"emit", "ambient", "diffuse", "specular"}) {
        size_t at = text.find(keyword);
        if (at == std::string::npos) {
            problems.push_back(name + ": keyword \"" + keyword + "\" missing");
            continue;
        }
        if (at == 0) {
            problems.push_back(name + ": keyword \"" + keyword +
                               "\" at the first byte is not read by the game");
            continue;
        }
        float rgb[3];
        std::string format = std::string(keyword) + " %f %f %f";
        if (sscanf(text.c_str() + at, format.c_str(), &rgb[0], &rgb[1], &rgb[2]) != 3)
            problems.push_back(name + ": first \"" + keyword + "\" is not followed by three numbers");
    }
    if (problems.empty()) {
        material *m = parse_material(text.c_str(), text.size());
        if (!m) problems.push_back(name + ": rejected by the game's material reader");
        delete m;
    }
    return problems;
}

std::vector<std::string> check_sound(const std::string &name, const std::vector<uint8_t> &data) {
    std::vector<std::string> problems;
    if (data.empty() || data.size() > 0x7fffffff) {
        problems.push_back(name + ": not a WAV that SDL decodes: " + std::to_string(data.size()) + " bytes");
        return problems;
    }
    std::vector<uint8_t> copy = data; // SDL 1.2's memory stream takes a writable pointer
    SDL_RWops *rw = SDL_RWFromMem(copy.data(), static_cast<int>(copy.size()));
    SDL_AudioSpec format;
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &format, &buffer, &length)) {
        problems.push_back(name + ": not a WAV that SDL decodes: " + SDL_GetError());
        return problems;
    }
    if (length == 0) problems.push_back(name + ": WAV holds no samples");
    SDL_FreeWAV(buffer);
    return problems;
}

std::vector<std::string> verify_records(const std::vector<pack_record> &records) {
    std::vector<std::string> problems;
    std::map<std::string, const pack_record *> by_name; // the later record hides the earlier, as in the game
    for (const pack_record &r : records)
        by_name[r.name] = &r;
    for (const char *name : game_resource_names)
        if (!by_name.count(name)) problems.push_back(std::string(name) + ": missing");
    for (const auto &[name, r] : by_name) {
        std::vector<std::string> found;
        switch (kind_of(name)) {
        case resource_kind::texture:
            found = check_texture(name, r->data);
            break;
        case resource_kind::mesh:
            found = check_mesh(name, r->data);
            break;
        case resource_kind::material:
            found = check_material(name, r->data);
            break;
        case resource_kind::sound:
            found = check_sound(name, r->data);
            break;
        default:
            break;
        }
        problems.insert(problems.end(), found.begin(), found.end());
    }
    return problems;
}

namespace {

int usage() {
    fprintf(stderr, "usage: hollowmere-pack build OUT.data DIR\n"
                    "       hollowmere-pack list PACK\n"
                    "       hollowmere-pack extract PACK DIR\n"
                    "       hollowmere-pack verify PACK\n");
    return 2;
}

} // namespace

int pack_tool_main(int argc, char **argv) {
    if (argc < 2) return usage();
    std::string command = argv[1];
    std::string error;
    if (command == "build" && argc == 4) {
        std::vector<std::string> notes;
        bool built = build_pack(argv[2], argv[3], &error, &notes);
        for (const std::string &n : notes)
            printf("%s\n", n.c_str());
        if (!built) {
            // One line for each file that cannot become a resource; the pack is not written.
            size_t at = 0;
            while (at <= error.size()) {
                size_t end = std::min(error.find('\n', at), error.size());
                fprintf(stderr, "hollowmere-pack: %s\n", error.substr(at, end - at).c_str());
                at = end + 1;
            }
            return 1;
        }
        return 0;
    }
    if ((command == "list" && argc == 3) || (command == "extract" && argc == 4)) {
        std::vector<pack_record> records;
        if (!read_pack(argv[2], &records, &error)) {
            fprintf(stderr, "hollowmere-pack: %s\n", error.c_str());
            return 1;
        }
        if (command == "list") {
            list_records(records, stdout);
            return 0;
        }
        std::map<std::string, int> seen;
        for (const pack_record &r : records)
            if (++seen[r.name] == 2)
                fprintf(stderr,
                        "hollowmere-pack: record %s appears more than once; the last, which the game uses, "
                        "is kept\n",
                        printable_name(r.name.c_str()).c_str());
        if (!extract_records(records, argv[3], &error)) {
            fprintf(stderr, "hollowmere-pack: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "verify" && argc == 3) {
        std::vector<pack_record> records;
        bool intact = read_pack(argv[2], &records, &error);
        if (!intact && records.empty()) {
            fprintf(stderr, "hollowmere-pack: %s\n", error.c_str());
            return 1;
        }
        std::vector<std::string> problems = verify_records(records);
        if (!intact) problems.insert(problems.begin(), error);
        for (const std::string &p : problems)
            printf("%s\n", p.c_str());
        if (!problems.empty()) return 1;
        printf("%s: %zu records, all %zu game resources decode\n", argv[2], records.size(),
               std::size(game_resource_names));
        return 0;
    }
    return usage();
}
