// product_dll_check: reads the product orvale.dll as the simulator's loader
// will and checks what the simulator and old Windows depend on: a 32-bit i386
// DLL exporting exactly `Linkage` and `ImportTable` with the expected
// contents, importing only reviewed functions from the system's own DLLs, and
// carrying its version information and context menus.
//
//   product_dll_check <orvale.dll> <import-allowlist.txt> [x.y.z]
//
// With a version, the VERSIONINFO must carry exactly that version (the fixed
// file and product versions x.y.z.0, the FileVersion and ProductVersion
// strings x.y.z): the release packs the DLL under that version's name.
//
// Every read of the file is bounds-checked: a truncated or malformed image is
// reported as a failure, never read past.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMagicPe32 = 0x010B;
constexpr uint16_t kFileDll = 0x2000;
constexpr uint32_t kScnCode = 0x00000020;
constexpr uint32_t kScnExecute = 0x20000000;
constexpr uint16_t kRelocHighLow = 3;
constexpr uint32_t kRtMenu = 4;
constexpr uint32_t kRtVersion = 16;

enum Directory { kExport = 0, kImport = 1, kResource = 2, kBaseReloc = 5, kDelayImport = 13 };

const char* const kAllowedDlls[] = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMDLG32.DLL",
                                    "MSVCRT.DLL"};

const uint32_t kImportIds[] = {0x0001, 0x000F, 0x0015, 0x0016, 0x0101,
                               0x0141, 0x0004, 0x505A, 0x0002, 0x000A};

const char kFileDescription[] = "Orvale text display module";

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Hex(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

struct Section {
    std::string name;
    uint32_t va = 0, vsize = 0, raw_offset = 0, raw_size = 0, flags = 0;
    bool Executable() const { return (flags & (kScnExecute | kScnCode)) != 0; }
};

// The image: the file's bytes plus the headers needed to map RVAs to them.
class Image {
public:
    std::vector<uint8_t> bytes;
    uint16_t machine = 0, characteristics = 0, magic = 0;
    uint16_t os_major = 0, os_minor = 0, subsystem_major = 0, subsystem_minor = 0;
    uint32_t image_base = 0;
    std::vector<Section> sections;
    std::vector<std::pair<uint32_t, uint32_t>> dirs;  // rva, size

    bool U16(size_t off, uint16_t& v) const
    {
        if (off > bytes.size() || bytes.size() - off < 2)
            return false;
        v = static_cast<uint16_t>(bytes[off] | bytes[off + 1] << 8);
        return true;
    }
    bool U32(size_t off, uint32_t& v) const
    {
        if (off > bytes.size() || bytes.size() - off < 4)
            return false;
        v = static_cast<uint32_t>(bytes[off]) | static_cast<uint32_t>(bytes[off + 1]) << 8 |
            static_cast<uint32_t>(bytes[off + 2]) << 16 | static_cast<uint32_t>(bytes[off + 3]) << 24;
        return true;
    }

    const Section* SectionOf(uint32_t rva) const
    {
        for (const Section& s : sections) {
            uint32_t extent = s.vsize ? s.vsize : s.raw_size;
            if (rva >= s.va && rva - s.va < extent)
                return &s;
        }
        return nullptr;
    }

    // File offset of `len` bytes at `rva`, if all of them are in the file.
    std::optional<size_t> Offset(uint32_t rva, uint32_t len) const
    {
        const Section* s = SectionOf(rva);
        if (!s)
            return std::nullopt;
        uint64_t within = rva - s->va;
        uint64_t raw = std::min<uint64_t>(s->raw_size, s->vsize ? s->vsize : s->raw_size);
        if (within + len > raw)
            return std::nullopt;
        uint64_t off = uint64_t(s->raw_offset) + within;
        if (off + len > bytes.size())
            return std::nullopt;
        return static_cast<size_t>(off);
    }
    bool RvaU16(uint32_t rva, uint16_t& v) const
    {
        auto off = Offset(rva, 2);
        return off && U16(*off, v);
    }
    bool RvaU32(uint32_t rva, uint32_t& v) const
    {
        auto off = Offset(rva, 4);
        return off && U32(*off, v);
    }
    bool RvaString(uint32_t rva, std::string& out, size_t max = 512) const
    {
        out.clear();
        for (size_t i = 0; i < max; ++i) {
            auto off = Offset(rva + static_cast<uint32_t>(i), 1);
            if (!off)
                return false;
            char c = static_cast<char>(bytes[*off]);
            if (c == '\0')
                return true;
            out += c;
        }
        return false;
    }
    std::pair<uint32_t, uint32_t> Dir(int index) const
    {
        return index < static_cast<int>(dirs.size()) ? dirs[index] : std::make_pair(0u, 0u);
    }

    // Reads the DOS, COFF and optional headers and the section table.
    bool Parse(std::string& error)
    {
        uint16_t mz = 0;
        uint32_t pe_off = 0, signature = 0;
        if (!U16(0, mz) || mz != 0x5A4D || !U32(0x3C, pe_off)) {
            error = "no MZ header";
            return false;
        }
        if (!U32(pe_off, signature) || signature != 0x00004550) {
            error = "no PE signature";
            return false;
        }
        size_t coff = size_t(pe_off) + 4;
        uint16_t nsections = 0, opt_size = 0;
        if (!U16(coff, machine) || !U16(coff + 2, nsections) || !U16(coff + 16, opt_size) ||
            !U16(coff + 18, characteristics)) {
            error = "truncated COFF header";
            return false;
        }
        size_t opt = coff + 20;
        if (!U16(opt, magic)) {
            error = "truncated optional header";
            return false;
        }
        if (magic != kMagicPe32)
            return true;  // reported by the PE32 check; the rest is not read
        uint32_t ndirs = 0;
        if (opt_size < 96 || !U32(opt + 28, image_base) || !U16(opt + 40, os_major) ||
            !U16(opt + 42, os_minor) || !U16(opt + 48, subsystem_major) ||
            !U16(opt + 50, subsystem_minor) || !U32(opt + 92, ndirs)) {
            error = "truncated optional header";
            return false;
        }
        ndirs = std::min<uint32_t>(ndirs, (opt_size - 96) / 8);
        ndirs = std::min<uint32_t>(ndirs, 16);
        for (uint32_t i = 0; i < ndirs; ++i) {
            uint32_t rva = 0, size = 0;
            if (!U32(opt + 96 + 8 * i, rva) || !U32(opt + 100 + 8 * i, size)) {
                error = "truncated data directories";
                return false;
            }
            dirs.emplace_back(rva, size);
        }
        size_t table = opt + opt_size;
        for (uint16_t i = 0; i < nsections; ++i) {
            size_t at = table + 40 * size_t(i);
            if (at > bytes.size() || bytes.size() - at < 40) {
                error = "truncated section table";
                return false;
            }
            Section s;
            for (int k = 0; k < 8 && bytes[at + k]; ++k)
                s.name += static_cast<char>(bytes[at + k]);
            U32(at + 8, s.vsize);
            U32(at + 12, s.va);
            U32(at + 16, s.raw_size);
            U32(at + 20, s.raw_offset);
            U32(at + 36, s.flags);
            sections.push_back(s);
        }
        return true;
    }
};

class Report {
public:
    void Pass(const std::string& what) { std::printf("PASS  %s\n", what.c_str()), ++passed_; }
    void Fail(const std::string& what) { std::printf("FAIL  %s\n", what.c_str()), ++failed_; }
    void Check(bool ok, const std::string& what, const std::vector<std::string>& details)
    {
        ok ? Pass(what) : Fail(what);
        for (const std::string& d : details)
            std::printf("        %s\n", d.c_str());
    }
    int Finish() const
    {
        std::printf("product_dll: %d passed, %d failed\n", passed_, failed_);
        return failed_ ? 1 : 0;
    }

private:
    int passed_ = 0, failed_ = 0;
};

// ---- exports ----

struct Exports {
    std::map<std::string, uint32_t> by_name;  // name -> RVA
    uint32_t function_count = 0;
    std::vector<std::string> problems;
};

Exports ReadExports(const Image& img)
{
    Exports ex;
    auto [dir_rva, dir_size] = img.Dir(kExport);
    if (dir_rva == 0) {
        ex.problems.push_back("no export directory");
        return ex;
    }
    uint32_t names = 0, functions = 0, name_table = 0, ordinal_table = 0, function_table = 0;
    if (!img.RvaU32(dir_rva + 20, functions) || !img.RvaU32(dir_rva + 24, names) ||
        !img.RvaU32(dir_rva + 28, function_table) || !img.RvaU32(dir_rva + 32, name_table) ||
        !img.RvaU32(dir_rva + 36, ordinal_table)) {
        ex.problems.push_back("export directory outside the file");
        return ex;
    }
    ex.function_count = functions;
    if (names > 4096 || functions > 4096) {
        ex.problems.push_back("implausible export counts");
        return ex;
    }
    for (uint32_t i = 0; i < names; ++i) {
        uint32_t name_rva = 0, fn_rva = 0;
        uint16_t index = 0;
        std::string name;
        if (!img.RvaU32(name_table + 4 * i, name_rva) || !img.RvaString(name_rva, name) ||
            !img.RvaU16(ordinal_table + 2 * i, index) || index >= functions ||
            !img.RvaU32(function_table + 4 * index, fn_rva)) {
            ex.problems.push_back("export " + std::to_string(i) + " unreadable");
            continue;
        }
        if (fn_rva >= dir_rva && fn_rva - dir_rva < dir_size)
            ex.problems.push_back(name + " is a forwarder, not data of this DLL");
        ex.by_name[name] = fn_rva;
    }
    return ex;
}

// ---- imports ----

struct Imports {
    std::map<std::string, std::vector<std::string>> by_dll;  // DLL as written -> names
    std::vector<std::string> problems;
};

Imports ReadImports(const Image& img)
{
    Imports im;
    uint32_t dir = img.Dir(kImport).first;
    for (uint32_t i = 0; dir != 0 && i < 256; ++i) {
        uint32_t d = dir + 20 * i, lookup = 0, name_rva = 0, first_thunk = 0;
        if (!img.RvaU32(d, lookup) || !img.RvaU32(d + 12, name_rva) ||
            !img.RvaU32(d + 16, first_thunk)) {
            im.problems.push_back("import directory outside the file");
            break;
        }
        if (lookup == 0 && name_rva == 0 && first_thunk == 0)
            break;
        std::string dll;
        if (!img.RvaString(name_rva, dll)) {
            im.problems.push_back("unreadable imported DLL name");
            continue;
        }
        std::vector<std::string>& names = im.by_dll[dll];
        uint32_t thunks = lookup ? lookup : first_thunk;
        for (uint32_t k = 0; k < 65536; ++k) {
            uint32_t thunk = 0;
            if (!img.RvaU32(thunks + 4 * k, thunk)) {
                im.problems.push_back(dll + ": import thunks outside the file");
                break;
            }
            if (thunk == 0)
                break;
            if (thunk & 0x80000000u) {
                im.problems.push_back(dll + ": imported by ordinal " +
                                      std::to_string(thunk & 0xFFFF) + " (not reviewable by name)");
                continue;
            }
            std::string fn;
            if (!img.RvaString(thunk + 2, fn)) {
                im.problems.push_back(dll + ": unreadable imported name");
                continue;
            }
            names.push_back(fn);
        }
    }
    if (img.Dir(kDelayImport).first != 0)
        im.problems.push_back("delay-load imports present (not allowed: the module imports directly)");
    return im;
}

// The allow-list: `DLL!Function` per line, `#` starts a comment.
bool ReadAllowList(const std::string& path, std::set<std::string>& entries,
                   std::vector<std::string>& problems)
{
    std::ifstream in(path);
    if (!in) {
        problems.push_back("cannot read allow-list " + path);
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = line.substr(0, line.find('#'));
        size_t b = line.find_first_not_of(" \t\r");
        if (b == std::string::npos)
            continue;
        line = line.substr(b, line.find_last_not_of(" \t\r") - b + 1);
        size_t bang = line.find('!');
        if (bang == std::string::npos || bang == 0 || bang + 1 == line.size() ||
            line.find_first_of(" \t!", bang + 1) != std::string::npos) {
            problems.push_back(path + ":" + std::to_string(number) + ": not DLL!Function: " + line);
            continue;
        }
        entries.insert(Upper(line.substr(0, bang)) + "!" + line.substr(bang + 1));
    }
    return problems.empty();
}

// ---- resources ----

class Resources {
public:
    explicit Resources(const Image& img) : img_(img), base_(img.Dir(kResource).first) {}
    bool Present() const { return base_ != 0; }

    // Entries of the directory at `off` (relative to the resource section).
    struct Entry {
        bool named = false;
        uint32_t id = 0;
        std::string name;
        uint32_t target = 0;  // offset of a subdirectory or of a data entry
        bool subdirectory = false;
    };
    std::vector<Entry> Entries(uint32_t off) const
    {
        std::vector<Entry> out;
        uint16_t named = 0, ids = 0;
        if (!img_.RvaU16(base_ + off + 12, named) ||
            !img_.RvaU16(base_ + off + 14, ids))
            return out;
        for (uint32_t i = 0; i < uint32_t(named) + ids && i < 1024; ++i) {
            uint32_t at = base_ + off + 16 + 8 * i, name = 0, target = 0;
            if (!img_.RvaU32(at, name) || !img_.RvaU32(at + 4, target))
                break;
            Entry e;
            e.named = (name & 0x80000000u) != 0;
            e.id = name & 0xFFFF;
            if (e.named)
                e.name = NameAt(name & 0x7FFFFFFFu);
            e.subdirectory = (target & 0x80000000u) != 0;
            e.target = target & 0x7FFFFFFFu;
            out.push_back(e);
        }
        return out;
    }

    // Every data blob under `entry`, through the name and language levels.
    void Blobs(const Entry& entry, std::vector<std::vector<uint8_t>>& out, int depth = 0) const
    {
        if (depth > 3)
            return;
        if (entry.subdirectory) {
            for (const Entry& e : Entries(entry.target))
                Blobs(e, out, depth + 1);
            return;
        }
        uint32_t data_rva = 0, size = 0;
        if (!img_.RvaU32(base_ + entry.target, data_rva) ||
            !img_.RvaU32(base_ + entry.target + 4, size))
            return;
        auto off = img_.Offset(data_rva, size);
        if (off)
            out.emplace_back(img_.bytes.begin() + *off, img_.bytes.begin() + *off + size);
    }

    std::vector<Entry> OfType(uint32_t type) const
    {
        for (const Entry& e : Entries(0))
            if (!e.named && e.id == type && e.subdirectory)
                return Entries(e.target);
        return {};
    }

private:
    std::string NameAt(uint32_t off) const
    {
        uint16_t len = 0, ch = 0;
        std::string s;
        if (!img_.RvaU16(base_ + off, len))
            return s;
        for (uint32_t i = 0; i < len; ++i) {
            if (!img_.RvaU16(base_ + off + 2 + 2 * i, ch))
                break;
            s += ch < 0x80 ? static_cast<char>(ch) : '?';
        }
        return s;
    }

    const Image& img_;
    uint32_t base_;
};

// The value of a StringFileInfo string `key` in a VS_VERSIONINFO blob, if any.
std::optional<std::string> VersionString(const std::vector<uint8_t>& blob, const std::string& key)
{
    std::vector<uint8_t> pattern;
    for (char c : key) {
        pattern.push_back(static_cast<uint8_t>(c));
        pattern.push_back(0);
    }
    pattern.insert(pattern.end(), {0, 0});
    for (size_t at = 0; at + pattern.size() <= blob.size(); at += 2) {
        if (!std::equal(pattern.begin(), pattern.end(), blob.begin() + at))
            continue;
        size_t v = at + pattern.size();
        while (v % 4 != 0 && v + 1 < blob.size() && blob[v] == 0 && blob[v + 1] == 0)
            v += 2;  // padding to the 32-bit boundary
        std::string value;
        for (; v + 1 < blob.size(); v += 2) {
            uint16_t ch = static_cast<uint16_t>(blob[v] | blob[v + 1] << 8);
            if (ch == 0)
                return value;
            value += ch < 0x80 ? static_cast<char>(ch) : '?';
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// The fixed part of a VS_VERSIONINFO blob: {file MS, file LS, product MS, product LS}.
std::optional<std::vector<uint32_t>> FixedVersions(const std::vector<uint8_t>& blob)
{
    const uint8_t signature[] = {0xBD, 0x04, 0xEF, 0xFE};
    for (size_t at = 0; at + 24 <= blob.size(); at += 4) {
        if (!std::equal(std::begin(signature), std::end(signature), blob.begin() + at))
            continue;
        std::vector<uint32_t> words;
        for (size_t k = 8; k < 24; k += 4)
            words.push_back(static_cast<uint32_t>(blob[at + k]) | static_cast<uint32_t>(blob[at + k + 1]) << 8 |
                            static_cast<uint32_t>(blob[at + k + 2]) << 16 |
                            static_cast<uint32_t>(blob[at + k + 3]) << 24);
        return words;
    }
    return std::nullopt;
}

void CheckVersion(const Image& img, const std::string& want, Report& report)
{
    unsigned major = 0, minor = 0, patch = 0;
    char extra = 0;
    const std::string what = "VERSIONINFO carries version " + want;
    if (std::sscanf(want.c_str(), "%u.%u.%u%c", &major, &minor, &patch, &extra) != 3 || major > 0xFFFF ||
        minor > 0xFFFF || patch > 0xFFFF) {
        report.Check(false, what, {"\"" + want + "\" is not a version x.y.z"});
        return;
    }
    Resources res(img);
    std::vector<std::vector<uint8_t>> blobs;
    for (const Resources::Entry& e : res.OfType(kRtVersion))
        res.Blobs(e, blobs);
    std::vector<std::string> details;
    if (blobs.empty())
        details.push_back("no VERSIONINFO resource");
    const uint32_t ms = major << 16 | minor, ls = patch << 16;
    for (const auto& blob : blobs) {
        auto fixed = FixedVersions(blob);
        if (!fixed)
            details.push_back("no fixed file information");
        else if ((*fixed)[0] != ms || (*fixed)[1] != ls || (*fixed)[2] != ms || (*fixed)[3] != ls)
            details.push_back("fixed versions are " + Hex((*fixed)[0]) + " " + Hex((*fixed)[1]) + " / " +
                              Hex((*fixed)[2]) + " " + Hex((*fixed)[3]) + ", want " + Hex(ms) + " " + Hex(ls));
        for (const char* key : {"FileVersion", "ProductVersion"}) {
            auto value = VersionString(blob, key);
            if (!value || *value != want)
                details.push_back(std::string(key) + " is " + (value ? "\"" + *value + "\"" : "missing"));
        }
    }
    report.Check(details.empty(), what, details);
}

// ---- the checks ----

void CheckLinkage(const Image& img, const Exports& ex, Report& report)
{
    const std::string what = "Linkage = {0x507F, StartModule, StopModule, 0, 1, 0x800, 0, ShowMessage}";
    auto it = ex.by_name.find("Linkage");
    if (it == ex.by_name.end()) {
        report.Check(false, what, {"no Linkage export"});
        return;
    }
    uint32_t w[8] = {};
    for (uint32_t i = 0; i < 8; ++i) {
        if (!img.RvaU32(it->second + 4 * i, w[i])) {
            report.Check(false, what, {"the record is not in the file's section data"});
            return;
        }
    }
    std::vector<std::string> details;
    std::string words = "words:";
    for (uint32_t v : w)
        words += " " + Hex(v);
    details.push_back(words);
    bool ok = true;
    const std::pair<int, uint32_t> constants[] = {{0, 0x507F}, {3, 0}, {4, 1}, {5, 0x800}, {6, 0}};
    for (auto [i, want] : constants) {
        if (w[i] != want) {
            ok = false;
            details.push_back("word " + std::to_string(i) + " is " + Hex(w[i]) + ", want " + Hex(want));
        }
    }
    const std::pair<int, const char*> routines[] = {{1, "StartModule"}, {2, "StopModule"}, {7, "ShowMessage"}};
    for (auto [i, name] : routines) {
        const Section* s = w[i] >= img.image_base ? img.SectionOf(w[i] - img.image_base) : nullptr;
        if (!s || !s->Executable()) {
            ok = false;
            details.push_back(std::string("word ") + std::to_string(i) + " (" + name + ") " + Hex(w[i]) +
                              " is not in an executable section of this DLL");
        }
    }
    report.Check(ok, what, details);

    // The loader may place the DLL elsewhere than its preferred base: the three
    // addresses are then right only if base relocations cover them.
    std::set<uint32_t> relocated;
    auto [reloc, reloc_size] = img.Dir(kBaseReloc);
    for (uint32_t at = reloc; reloc != 0 && at - reloc + 8 <= reloc_size;) {
        uint32_t page = 0, block = 0;
        if (!img.RvaU32(at, page) || !img.RvaU32(at + 4, block) || block < 8)
            break;
        for (uint32_t e = 8; e + 2 <= block; e += 2) {
            uint16_t entry = 0;
            if (img.RvaU16(at + e, entry) && (entry >> 12) == kRelocHighLow)
                relocated.insert(page + (entry & 0xFFF));
        }
        at += block;
    }
    std::vector<std::string> missing;
    for (auto [i, name] : routines)
        if (!relocated.count(it->second + 4 * i))
            missing.push_back(std::string("word ") + std::to_string(i) + " (" + name + ") has no base relocation");
    report.Check(missing.empty(), "Linkage's addresses are relocated when the DLL is rebased", missing);
}

void CheckImportTable(const Image& img, const Exports& ex, Report& report)
{
    const std::string what = "ImportTable = 10 {identifier, 0} pairs in order, then {0, 0}";
    auto it = ex.by_name.find("ImportTable");
    if (it == ex.by_name.end()) {
        report.Check(false, what, {"no ImportTable export"});
        return;
    }
    std::vector<std::string> details;
    const size_t n = std::size(kImportIds);
    for (uint32_t i = 0; i <= n; ++i) {
        uint32_t id = 0, ptr = 0;
        if (!img.RvaU32(it->second + 8 * i, id) || !img.RvaU32(it->second + 8 * i + 4, ptr)) {
            details.push_back("entry " + std::to_string(i) + " is not in the file's section data");
            break;
        }
        uint32_t want = i < n ? kImportIds[i] : 0;
        if (id != want || ptr != 0)
            details.push_back("entry " + std::to_string(i) + " is {" + Hex(id) + ", " + Hex(ptr) +
                              "}, want {" + Hex(want) + ", 0x0}");
    }
    report.Check(details.empty(), what, details);
}

void CheckImports(const Image& img, const std::string& allowlist_path, Report& report)
{
    Imports im = ReadImports(img);
    std::vector<std::string> details = im.problems;
    std::set<std::string> allowed_dlls(std::begin(kAllowedDlls), std::end(kAllowedDlls));
    for (const auto& [dll, names] : im.by_dll)
        if (!allowed_dlls.count(Upper(dll)))
            details.push_back(dll + " is not a system DLL the module may use (" +
                              std::to_string(names.size()) + " functions)");
    report.Check(details.empty(),
                 "imports only from KERNEL32, USER32, GDI32, COMDLG32 and msvcrt", details);

    std::set<std::string> allowed;
    details.clear();
    ReadAllowList(allowlist_path, allowed, details);
    std::set<std::string> used;
    for (const auto& [dll, names] : im.by_dll) {
        for (const std::string& fn : names) {
            std::string key = Upper(dll) + "!" + fn;
            used.insert(key);
            if (!allowed.count(key))
                details.push_back("not in the allow-list: " + dll + "!" + fn);
        }
    }
    report.Check(details.empty(), "every imported function is in " + allowlist_path, details);
    for (const std::string& entry : allowed)
        if (!used.count(entry))
            std::printf("note  allow-listed but not imported: %s\n", entry.c_str());
}

void CheckResources(const Image& img, Report& report)
{
    Resources res(img);
    std::vector<std::vector<uint8_t>> blobs;
    for (const Resources::Entry& e : res.OfType(kRtVersion))
        res.Blobs(e, blobs);
    std::vector<std::string> details;
    bool found = false;
    for (const auto& blob : blobs) {
        auto value = VersionString(blob, "FileDescription");
        if (value && *value == kFileDescription)
            found = true;
        else if (value)
            details.push_back("FileDescription is \"" + *value + "\"");
    }
    if (!res.Present())
        details.push_back("no resource section");
    else if (blobs.empty())
        details.push_back("no VERSIONINFO resource");
    else if (!found && details.empty())
        details.push_back("VERSIONINFO has no FileDescription");
    report.Check(found, std::string("VERSIONINFO FileDescription is \"") + kFileDescription + "\"",
                 found ? std::vector<std::string>{} : details);

    std::set<std::string> menus;
    for (const Resources::Entry& e : res.OfType(kRtMenu))
        if (e.named)
            menus.insert(Upper(e.name));
    details.clear();
    for (const char* name : {"DOCKEDM", "UNDOCKEDM"})
        if (!menus.count(name))
            details.push_back(std::string("no menu resource ") + name);
    report.Check(details.empty(), "context-menu resources DOCKEDM and UNDOCKEDM are in the DLL",
                 details);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s <orvale.dll> <import-allowlist.txt> [x.y.z]\n", argv[0]);
        return 2;
    }
    Report report;
    Image img;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        report.Check(false, std::string("read ") + argv[1],
                     {"no such file: build the product first "
                      "(cmake --preset win32 && cmake --build --preset win32)"});
        return report.Finish();
    }
    img.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::printf("checking %s (%zu bytes)\n", argv[1], img.bytes.size());

    std::string error;
    bool parsed = img.Parse(error);
    bool pe32 = parsed && img.magic == kMagicPe32;
    report.Check(pe32, "PE32 image (optional header magic 0x10B)",
                 pe32 ? std::vector<std::string>{}
                      : std::vector<std::string>{parsed ? "magic is " + Hex(img.magic) : error});
    if (!pe32)
        return report.Finish();
    report.Check(img.machine == kMachineI386, "machine is i386 (0x14C)",
                 img.machine == kMachineI386 ? std::vector<std::string>{}
                                             : std::vector<std::string>{"machine is " + Hex(img.machine)});
    report.Check((img.characteristics & kFileDll) != 0, "the image is a DLL", {});

    // Windows 95/98 refuse images that ask for a later Windows than 4.0.
    bool old_windows = img.os_major <= 4 && img.subsystem_major <= 4;
    report.Check(old_windows, "asks for no Windows later than 4.0 (OS and subsystem version)",
                 {"OS " + std::to_string(img.os_major) + "." + std::to_string(img.os_minor) +
                  ", subsystem " + std::to_string(img.subsystem_major) + "." +
                  std::to_string(img.subsystem_minor)});

    Exports ex = ReadExports(img);
    std::vector<std::string> details = ex.problems;
    for (const auto& [name, rva] : ex.by_name)
        if (name != "Linkage" && name != "ImportTable")
            details.push_back("unexpected export " + name);
    for (const char* name : {"Linkage", "ImportTable"})
        if (!ex.by_name.count(name))
            details.push_back(std::string("missing export ") + name);
    if (ex.function_count != ex.by_name.size())
        details.push_back(std::to_string(ex.function_count) + " exported entries for " +
                          std::to_string(ex.by_name.size()) + " names (ordinal-only exports?)");
    report.Check(details.empty(), "exports exactly Linkage and ImportTable, undecorated", details);

    CheckLinkage(img, ex, report);
    CheckImportTable(img, ex, report);
    CheckImports(img, argv[2], report);
    CheckResources(img, report);
    if (argc == 4)
        CheckVersion(img, argv[3], report);
    return report.Finish();
}
