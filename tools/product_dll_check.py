#!/usr/bin/python3
"""product_dll_check: reads the product orvale.dll as the simulator's loader
will and checks what the simulator and old Windows depend on: a 32-bit i386
DLL exporting exactly `Linkage` and `ImportTable` with the expected contents,
importing only reviewed functions from KERNEL32, USER32, GDI32 and COMDLG32,
with no TLS directory, whose code uses no instruction the 486 lacks, and
carrying its version information and context menus.

    product_dll_check.py <orvale.dll> <import-allowlist.txt> [x.y.z]
    product_dll_check.py --self-test    the instruction rule on known bytes

With a version, the VERSIONINFO must carry exactly that version (the fixed file
and product versions x.y.z.0, the FileVersion and ProductVersion strings
x.y.z): the release packs the DLL under that version's name.

The PE is read with pefile (Debian's python3-pefile), the code disassembled
with Capstone (Debian's python3-capstone). Records of the module are
read only where the file holds them: a truncated or malformed image is
reported as a failure, never passed over.
"""
import re
import struct
import sys

try:
    import pefile
except ImportError:
    pefile = None
try:
    import capstone
    from capstone import x86_const
except ImportError:
    capstone = None

MACHINE_I386 = 0x014C
MAGIC_PE32 = 0x010B
FILE_DLL = 0x2000
SCN_CODE = 0x00000020
SCN_EXECUTE = 0x20000000
RELOC_HIGHLOW = 3
RT_MENU = 4
RT_VERSION = 16
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE, DIR_BASERELOC, DIR_TLS, DIR_DELAY_IMPORT = 0, 1, 2, 5, 9, 13

# Windows 95 and NT 4 have these four; msvcrt.dll, for one, came to Windows 95
# only with later updates.
ALLOWED_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMDLG32.DLL"}
IMPORT_IDS = [0x0001, 0x000F, 0x0015, 0x0016, 0x0101, 0x0141, 0x0004, 0x505A, 0x0002, 0x000A]
FILE_DESCRIPTION = "Orvale text display module"
# Linkage: {0x507F, StartModule, StopModule, 0, 1, 0x800, 0, ShowMessage}
LINKAGE_CONSTANTS = {0: 0x507F, 3: 0, 4: 1, 5: 0x800, 6: 0}
LINKAGE_ROUTINES = {1: "StartModule", 2: "StopModule", 7: "ShowMessage"}


class Report:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, ok, what, details=()):
        print(("PASS  " if ok else "FAIL  ") + what)
        for d in details:
            print("        " + d)
        if ok:
            self.passed += 1
        else:
            self.failed += 1

    def finish(self):
        print(f"product_dll: {self.passed} passed, {self.failed} failed")
        return 1 if self.failed else 0


def text(value):
    if value is None:
        return ""
    if isinstance(value, bytes):
        return value.decode("ascii", "replace")
    return str(value)


def directory(pe, index):
    dirs = pe.OPTIONAL_HEADER.DATA_DIRECTORY
    return (dirs[index].VirtualAddress, dirs[index].Size) if index < len(dirs) else (0, 0)


def section_data(pe, rva, length):
    """The `length` bytes at `rva`, if all of them are in a section's data in the file."""
    s = pe.get_section_by_rva(rva)
    if s is None:
        return None
    extent = s.Misc_VirtualSize or s.SizeOfRawData
    if rva - s.VirtualAddress + length > min(s.SizeOfRawData, extent):
        return None
    data = s.get_data(rva, length)
    return data if len(data) == length else None


def words(pe, rva, count):
    data = section_data(pe, rva, 4 * count)
    return list(struct.unpack(f"<{count}I", data)) if data else None


# ---- exports ----

def read_exports(pe):
    """({name: rva}, number of exported entries, problems)."""
    by_name, problems = {}, []
    if directory(pe, DIR_EXPORT)[0] == 0:
        return by_name, 0, ["no export directory"]
    ex = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if ex is None:
        return by_name, 0, ["export directory unreadable"]
    named = [s for s in ex.symbols if s.name]
    if len(named) != ex.struct.NumberOfNames:
        problems.append(f"{ex.struct.NumberOfNames - len(named)} of {ex.struct.NumberOfNames} "
                        "exported names unreadable")
    for s in named:
        name = text(s.name)
        if s.forwarder:
            problems.append(f"{name} is a forwarder, not data of this DLL")
        by_name[name] = s.address
    return by_name, ex.struct.NumberOfFunctions, problems


def check_exports(pe, report):
    by_name, functions, details = read_exports(pe)
    details += [f"unexpected export {n}" for n in sorted(by_name) if n not in ("Linkage", "ImportTable")]
    details += [f"missing export {n}" for n in ("Linkage", "ImportTable") if n not in by_name]
    if functions != len(by_name):
        details.append(f"{functions} exported entries for {len(by_name)} names (ordinal-only exports?)")
    report.check(not details, "exports exactly Linkage and ImportTable, undecorated", details)
    return by_name


# ---- Linkage and ImportTable ----

def check_linkage(pe, exports, report):
    what = "Linkage = {0x507F, StartModule, StopModule, 0, 1, 0x800, 0, ShowMessage}"
    relocated_what = "Linkage's addresses are relocated when the DLL is rebased"
    rva = exports.get("Linkage")
    if rva is None:
        report.check(False, what, ["no Linkage export"])
        report.check(False, relocated_what, ["no Linkage export"])
        return
    w = words(pe, rva, 8)
    if w is None:
        report.check(False, what, ["the record is not in the file's section data"])
        report.check(False, relocated_what, ["the record is not in the file's section data"])
        return
    details = ["words: " + " ".join(f"0x{v:X}" for v in w)]
    ok = True
    for i, want in LINKAGE_CONSTANTS.items():
        if w[i] != want:
            ok = False
            details.append(f"word {i} is 0x{w[i]:X}, want 0x{want:X}")
    base = pe.OPTIONAL_HEADER.ImageBase
    for i, name in LINKAGE_ROUTINES.items():
        s = pe.get_section_by_rva(w[i] - base) if w[i] >= base else None
        if s is None or not s.Characteristics & (SCN_EXECUTE | SCN_CODE):
            ok = False
            details.append(f"word {i} ({name}) 0x{w[i]:X} is not in an executable section of this DLL")
    report.check(ok, what, details)

    # The loader may place the DLL elsewhere than its preferred base: the three
    # addresses are then right only if base relocations cover them.
    relocated = set()
    for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []):
        relocated.update(e.rva for e in block.entries if e.type == RELOC_HIGHLOW)
    missing = [f"word {i} ({name}) has no base relocation"
               for i, name in LINKAGE_ROUTINES.items() if rva + 4 * i not in relocated]
    report.check(not missing, relocated_what, missing)


def check_import_table(pe, exports, report):
    what = f"ImportTable = {len(IMPORT_IDS)} {{identifier, 0}} pairs in order, then {{0, 0}}"
    rva = exports.get("ImportTable")
    if rva is None:
        report.check(False, what, ["no ImportTable export"])
        return
    details = []
    for i, want in enumerate(IMPORT_IDS + [0]):
        pair = words(pe, rva + 8 * i, 2)
        if pair is None:
            details.append(f"entry {i} is not in the file's section data")
            break
        if pair != [want, 0]:
            details.append(f"entry {i} is {{0x{pair[0]:X}, 0x{pair[1]:X}}}, want {{0x{want:X}, 0x0}}")
    report.check(not details, what, details)


# ---- imports ----

def read_imports(pe):
    """({DLL as written: [function names]}, problems)."""
    by_dll, problems = {}, []
    if directory(pe, DIR_IMPORT)[0] != 0:
        entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", None)
        if entries is None:
            problems.append("import directory unreadable")
        for entry in entries or []:
            dll = text(entry.dll)
            names = by_dll.setdefault(dll, [])
            for imp in entry.imports:
                if imp.import_by_ordinal:
                    problems.append(f"{dll}: imported by ordinal {imp.ordinal} (not reviewable by name)")
                elif not imp.name:
                    problems.append(f"{dll}: unreadable imported name")
                else:
                    names.append(text(imp.name))
    if directory(pe, DIR_DELAY_IMPORT)[0] != 0:
        problems.append("delay-load imports present (not allowed: the module imports directly)")
    return by_dll, problems


def read_allow_list(path):
    """The set of `DLL!Function` entries (DLL in upper case), and problems.
    Each entry carries the columns "95" and "NT4": the reviewer's word that
    the function is fully implemented on both."""
    entries, problems = set(), []
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
    except (OSError, UnicodeDecodeError) as e:
        return entries, [f"cannot read allow-list {path}: {e}"]
    for number, line in enumerate(lines, 1):
        line = line.split("#", 1)[0].strip(" \t\r")
        if not line:
            continue
        entry, *columns = line.split()
        dll, bang, fn = entry.partition("!")
        if not bang or not dll or not fn or "!" in fn:
            problems.append(f"{path}:{number}: not DLL!Function: {line}")
            continue
        if columns != ["95", "NT4"]:
            problems.append(f"{path}:{number}: {entry} is not marked as fully implemented on 95 and NT4")
            continue
        entries.add(dll.upper() + "!" + fn)
    return entries, problems


def check_imports(pe, allow_list_path, report):
    by_dll, problems = read_imports(pe)
    details = problems + [f"{dll} is not a system DLL the module may use ({len(names)} functions)"
                          for dll, names in sorted(by_dll.items()) if dll.upper() not in ALLOWED_DLLS]
    report.check(not details, "imports only from KERNEL32, USER32, GDI32 and COMDLG32", details)

    allowed, details = read_allow_list(allow_list_path)
    used = set()
    for dll, names in sorted(by_dll.items()):
        for fn in names:
            key = dll.upper() + "!" + fn
            used.add(key)
            if key not in allowed:
                details.append(f"not in the allow-list: {dll}!{fn}")
    report.check(not details, f"every imported function is in {allow_list_path}", details)
    for entry in sorted(allowed - used):
        print(f"note  allow-listed but not imported: {entry}")


# ---- the code: nothing beyond the 486 ----

# The two-byte opcodes (after 0F) the 486 decodes: system instructions, the
# 486's own INVD, WBINVD, CMPXCHG, XADD and BSWAP, and the 386's. UD2 (0F 0B)
# came later by name, but the 486 raises the same invalid-opcode fault on it,
# which is all GCC's traps want.
OPCODES_0F_486 = ({0x00, 0x01, 0x02, 0x03, 0x06, 0x08, 0x09, 0x0B, 0x20, 0x21, 0x22, 0x23, 0x24, 0x26}
                  | set(range(0x80, 0xA0))
                  | {0xA0, 0xA1, 0xA3, 0xA4, 0xA5, 0xA8, 0xA9, 0xAB, 0xAC, 0xAD, 0xAF}
                  | set(range(0xB0, 0xB8)) | {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xC1}
                  | set(range(0xC8, 0xD0)))
# Named for a clear message; the opcode rule above catches them too, except
# where a prefix turns a 486 opcode into a newer instruction (F3 0F BC is
# TZCNT on a newer CPU, BSF on the 486: the same bytes, another result).
NEWER_MNEMONICS = re.compile(
    r"^(cmov\w+|fcmov\w+|fu?comi|fu?compi|fu?comip|fisttp|cpuid|rdtscp?|rdmsr|wrmsr|rdpmc|"
    r"cmpxchg8b|cmpxchg16b|sysenter|sysexit|syscall|sysret|rsm|fxsave|fxrstor|xsave\w*|xrstor\w*|"
    r"xgetbv|xsetbv|clflush\w*|[lms]fence|prefetch\w*|movnti|popcnt|lzcnt|tzcnt|movbe|crc32|"
    r"rdrand|rdseed|emms|femms)$")
NEWER_GROUPS = ("CMOV", "MMX", "3DNOW", "SSE1", "SSE2", "SSE3", "SSSE3", "SSE41", "SSE42", "SSE4A",
                "AVX", "AVX2", "AVX512", "FMA", "FMA4", "F16C", "XOP", "AES", "PCLMUL", "SHA",
                "BMI", "BMI2", "TBM", "ADX", "RTM", "HLE", "SGX", "FSGSBASE")


def beyond_486(insn, groups):
    """Why `insn` does not run on a 486, or None."""
    named = [g for g in NEWER_GROUPS if groups.get(g) in insn.groups]
    if named:
        return "/".join(named)
    if NEWER_MNEMONICS.match(insn.mnemonic):
        return "Pentium or later"
    if insn.opcode[0] == 0x0F and insn.opcode[1] not in OPCODES_0F_486:
        return f"opcode 0F {insn.opcode[1]:02X} is not the 486's"
    return None


def split_constructor_lists(pe, code):
    """GNU ld ends the code section with the constructor and destructor lists
    of the start-up code, each -1, addresses, 0 (the words the default linker
    script writes for PE): (the code before them, [constructors],
    [destructors]), or None when `code` does not end in them."""
    if len(code) % 4:
        return None
    w = struct.unpack(f"<{len(code) // 4}I", code)
    low, high = pe.OPTIONAL_HEADER.ImageBase, pe.OPTIONAL_HEADER.ImageBase + pe.OPTIONAL_HEADER.SizeOfImage
    end, lists = len(w) - 1, []
    for _ in range(2):
        if end < 0 or w[end] != 0:
            return None
        start = end - 1
        while start >= 0 and w[start] != 0xFFFFFFFF:
            if not low <= w[start] < high:
                return None
            start -= 1
        if start < 0:
            return None
        lists.insert(0, list(w[start + 1:end]))
        end = start - 1
    return code[:4 * (end + 1)], lists[0], lists[1]


def check_instructions(pe, report):
    what = "code uses no instruction the 486 lacks (Capstone, every executable section)"
    if capstone is None:
        report.check(False, what, ["the disassembler python3-capstone is not installed: run tools/bootstrap.sh"])
        return
    md = capstone.Cs(capstone.CS_ARCH_X86, capstone.CS_MODE_32)
    md.detail = True
    groups = {g: getattr(x86_const, "X86_GRP_" + g) for g in NEWER_GROUPS if hasattr(x86_const, "X86_GRP_" + g)}
    base = pe.OPTIONAL_HEADER.ImageBase
    found, total, sections, lists = [], 0, 0, None
    for s in pe.sections:
        if not s.Characteristics & (SCN_EXECUTE | SCN_CODE):
            continue
        sections += 1
        # The raw data is padded to the file alignment; only the section's
        # own bytes are code, and of those not the constructor lists.
        code = s.get_data()[:s.Misc_VirtualSize or s.SizeOfRawData]
        split = None if lists else split_constructor_lists(pe, code)
        if split:
            code, *lists = split
        address, offset = base + s.VirtualAddress, 0
        while offset < len(code):
            decoded = False
            for insn in md.disasm(code[offset:], address + offset):
                decoded = True
                total += 1
                why = beyond_486(insn, groups)
                if why:
                    found.append(f"0x{insn.address:08X}  {insn.mnemonic} {insn.op_str}  ({why})".rstrip())
                offset = insn.address + insn.size - address
            if not decoded or offset < len(code) and next(md.disasm(code[offset:offset + 16], 0), None) is None:
                # Bytes that decode as no instruction at all: not code a 486
                # may run either.
                found.append(f"0x{address + offset:08X}  undecodable byte 0x{code[offset]:02X}")
                offset += 1
    details = found[:40] + ([f"... {len(found) - 40} more"] if len(found) > 40 else [])
    if sections == 0:
        details.append("no executable section")
    report.check(not found and sections > 0,
                 what + (f": {len(found)} found in {total} instructions" if found else ""), details)

    # Without a runtime nothing would run them: a static object that needs
    # one would simply stay unmade.
    what = "no static constructor or destructor (the linker's lists at the end of the code are empty)"
    if lists is None:
        report.check(False, what, ["no code section ends in the linker's constructor and destructor lists"])
    else:
        report.check(not lists[0] and not lists[1], what,
                     [f"constructor at 0x{a:08X}" for a in lists[0]] +
                     [f"destructor at 0x{a:08X}" for a in lists[1]])


def check_no_tls(pe, report):
    details = []
    rva, size = directory(pe, DIR_TLS)
    if rva or size:
        details.append(f"TLS directory at RVA 0x{rva:X}, {size} bytes")
    details += [f"section {text(s.Name).rstrip(chr(0))}" for s in pe.sections
                if text(s.Name).rstrip("\0") == ".tls"]
    report.check(not details, "no TLS directory (Windows 95 runs no TLS callbacks of a loaded DLL)", details)


# ---- resources ----

def resource_types(pe):
    """{type id: [entries of the name level]}: what the resource directory holds."""
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    types = {}
    for e in root.entries if root else []:
        if e.name is None and hasattr(e, "directory"):
            types.setdefault(e.id, []).extend(e.directory.entries)
    return types


def version_blobs(pe):
    """[(fixed file info, {string key: value})] for each VERSIONINFO pefile parsed."""
    blobs = []
    fixed_infos = getattr(pe, "VS_FIXEDFILEINFO", [])
    file_infos = getattr(pe, "FileInfo", [])
    for i, fixed in enumerate(fixed_infos):
        strings = {}
        for info in file_infos[i] if i < len(file_infos) else []:
            for table in getattr(info, "StringTable", []):
                strings.update({text(k): text(v) for k, v in table.entries.items()})
        blobs.append((fixed, strings))
    return blobs


def check_resources(pe, report):
    types = resource_types(pe)
    blobs = version_blobs(pe)
    details = []
    found = any(strings.get("FileDescription") == FILE_DESCRIPTION for _, strings in blobs)
    if directory(pe, DIR_RESOURCE)[0] == 0:
        details.append("no resource section")
    elif RT_VERSION not in types:
        details.append("no VERSIONINFO resource")
    elif not blobs:
        details.append("VERSIONINFO unreadable (no fixed file information)")
    else:
        details += [f"FileDescription is \"{strings['FileDescription']}\"" for _, strings in blobs
                    if strings.get("FileDescription", FILE_DESCRIPTION) != FILE_DESCRIPTION]
        if not found and not details:
            details.append("VERSIONINFO has no FileDescription")
    report.check(found, f"VERSIONINFO FileDescription is \"{FILE_DESCRIPTION}\"",
                 [] if found else details)

    menus = {text(e.name).upper() for e in types.get(RT_MENU, []) if e.name is not None}
    details = [f"no menu resource {n}" for n in ("DOCKEDM", "UNDOCKEDM") if n not in menus]
    report.check(not details, "context-menu resources DOCKEDM and UNDOCKEDM are in the DLL", details)


def check_version(pe, want, report):
    what = f"VERSIONINFO carries version {want}"
    m = re.fullmatch(r"(\d+)\.(\d+)\.(\d+)", want)
    if not m or any(int(part) > 0xFFFF for part in m.groups()):
        report.check(False, what, [f"\"{want}\" is not a version x.y.z"])
        return
    major, minor, patch = (int(part) for part in m.groups())
    ms, ls = major << 16 | minor, patch << 16
    details = []
    blobs = version_blobs(pe)
    if not blobs:
        details.append("no VERSIONINFO resource (or no fixed file information)")
    for fixed, strings in blobs:
        got = (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS)
        if got != (ms, ls, ms, ls):
            details.append("fixed versions are 0x{:X} 0x{:X} / 0x{:X} 0x{:X}".format(*got) +
                           f", want 0x{ms:X} 0x{ls:X}")
        for key in ("FileVersion", "ProductVersion"):
            if strings.get(key) != want:
                details.append(f"{key} is " + (f"\"{strings[key]}\"" if key in strings else "missing"))
    report.check(not details, what, details)


# ---- the instruction rule itself, on known bytes ----

# Bytes the 486 runs, and bytes of the instructions it lacks, one each: the
# rule must pass every first and name every second.
RUNS_ON_486 = {
    "bswap eax": "0FC8", "cmpxchg [ecx], edx": "0FB111", "xadd [ecx], edx": "0FC111",
    "ud2 (faults alike)": "0F0B", "bsf eax, ecx": "0FBCC1", "fcomp st(1)": "D8D9",
    "fucompp": "DAE9", "movzx eax, byte [ecx]": "0FB601", "shld eax, ecx, 3": "0FA4C803",
    "rep movsd": "F3A5", "setne al": "0F95C0", "invlpg [eax]": "0F0138",
}
BEYOND_486 = {
    "cmovge ecx, ebx": "0F4DCB", "fcmove st(0), st(1)": "DAC9", "fcomi st(1)": "DBF1",
    "fucomip st(1)": "DFE9", "cpuid": "0FA2", "rdtsc": "0F31", "cmpxchg8b [eax]": "0FC708",
    "movq mm0, mm1": "0F6FC1", "movaps xmm0, xmm1": "0F28C1", "pf2id mm0, mm1": "0F0FC11D",
    "sysenter": "0F34", "tzcnt eax, ecx": "F30FBCC1", "nop dword [eax]": "0F1F00",
    "prefetchnta [eax]": "0F1800", "movd eax, xmm0": "660F7EC0",
}


def self_test():
    """The rule on the bytes above: 0 when it judges each one right."""
    if capstone is None:
        print("FAIL  the disassembler python3-capstone is installed\n        run tools/bootstrap.sh")
        return 1
    md = capstone.Cs(capstone.CS_ARCH_X86, capstone.CS_MODE_32)
    md.detail = True
    groups = {g: getattr(x86_const, "X86_GRP_" + g) for g in NEWER_GROUPS if hasattr(x86_const, "X86_GRP_" + g)}
    wrong = 0
    for expect_newer, table in ((False, RUNS_ON_486), (True, BEYOND_486)):
        for name, hexbytes in table.items():
            code = bytes.fromhex(hexbytes)
            insns = list(md.disasm(code, 0))
            why = beyond_486(insns[0], groups) if len(insns) == 1 and insns[0].size == len(code) else "undecoded"
            if (why is not None) != expect_newer:
                wrong += 1
                print(f"FAIL  {name} ({hexbytes}): " + (why if why else "passed as a 486 instruction"))
    print(f"instruction rule: {len(RUNS_ON_486) + len(BEYOND_486) - wrong} passed, {wrong} failed")
    return 1 if wrong else 0


# ---- the checks ----

MAX_BYTES = 40 * 1024


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test()
    if len(argv) not in (3, 4):
        print(f"usage: {argv[0]} <orvale.dll> <import-allowlist.txt> [x.y.z]", file=sys.stderr)
        return 2
    path, allow_list = argv[1], argv[2]
    report = Report()
    if pefile is None:
        report.check(False, "the PE library python3-pefile is installed", ["run tools/bootstrap.sh"])
        return report.finish()
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        report.check(False, f"read {path}", [f"{e.strerror}: build the product first "
                                            "(cmake --preset win32 && cmake --build --preset win32)"])
        return report.finish()
    print(f"checking {path} ({len(data)} bytes)")
    # A module for the PCs of 1998: it stays within 40 KB.
    report.check(len(data) <= MAX_BYTES, f"the DLL is at most {MAX_BYTES // 1024} KB",
                 [f"{len(data)} bytes"])

    try:
        pe = pefile.PE(data=data)
        error = None
    except pefile.PEFormatError as e:
        pe, error = None, e.value
    magic = pe.OPTIONAL_HEADER.Magic if pe else None
    report.check(magic == MAGIC_PE32, "PE32 image (optional header magic 0x10B)",
                 [] if magic == MAGIC_PE32 else [error or f"magic is 0x{magic:X}"])
    if magic != MAGIC_PE32:
        return report.finish()
    machine = pe.FILE_HEADER.Machine
    report.check(machine == MACHINE_I386, "machine is i386 (0x14C)",
                 [] if machine == MACHINE_I386 else [f"machine is 0x{machine:X}"])
    report.check(pe.FILE_HEADER.Characteristics & FILE_DLL != 0, "the image is a DLL")

    # Windows 95/98 and NT 4 refuse images that ask for a later Windows than 4.0.
    oh = pe.OPTIONAL_HEADER
    os_version = (oh.MajorOperatingSystemVersion, oh.MinorOperatingSystemVersion)
    subsystem = (oh.MajorSubsystemVersion, oh.MinorSubsystemVersion)
    report.check(os_version <= (4, 0) and subsystem <= (4, 0),
                 "asks for no Windows later than 4.0 (OS and subsystem version)",
                 ["OS {}.{}, subsystem {}.{}".format(*os_version, *subsystem)])

    try:
        exports = check_exports(pe, report)
        check_linkage(pe, exports, report)
        check_import_table(pe, exports, report)
        check_imports(pe, allow_list, report)
        check_no_tls(pe, report)
        check_instructions(pe, report)
        check_resources(pe, report)
        if len(argv) == 4:
            check_version(pe, argv[3], report)
    except Exception as e:  # a structure pefile left half-read: a failure, not a crash
        report.check(False, "the image reads through", [f"{type(e).__name__}: {e}"])
    # pefile reads on past what it finds wrong and only warns: for an image
    # Windows 95 is to load, any such finding is a failure.
    warnings = pe.get_warnings()
    report.check(not warnings, "pefile finds nothing malformed in the image", [f"pefile: {w}" for w in warnings])
    return report.finish()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
