#!/usr/bin/python3
"""Mutation testing of the product sources: how many small faults put into
the module, one at a time, the tests catch.

The mutants come from the compiler's own view of the code (libclang, Debian's
python3-clang): comparisons and logical operators flipped, a bound moved by
one, + and - swapped, a negation dropped, a constant moved by one, a call
statement dropped, a returned value changed. Each is applied to a copy of the
tree in build/mutate/tree (the tree itself is never touched), built, and run
against the suites that can catch it: the 64-bit twin's Wine suite beside the
native suite, then, for a mutant both miss, the product's own suite.

    tools/mutate.sh [N] [SEED]

prints a line per mutant and the score; the report is kept in build/mutate/.
Mutants named in tools/mutate-equivalent.txt (file, line and change, with
the reason) are reported as equivalent and left out of the score.
"""
import glob
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

import clang.cindex as ci

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "mutate")
TREE = os.path.join(WORK, "tree")
PRODUCT_DIRS = ["core", "display", "hostmenu", "settings", "docking", "module"]
# The plain-value sources the native build compiles too (CMakeLists.txt).
PLAIN = set()

COMPARISONS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
LOGICAL = {"&&": "||", "||": "&&"}
ARITHMETIC = {"+": "-", "-": "+"}


def say(text):
    print(text, flush=True)


def plain_sources():
    text = open(os.path.join(ROOT, "CMakeLists.txt")).read()
    block = re.search(r"set\(PLAIN_SOURCES(.*?)\)", text, re.S).group(1)
    return {line.strip() for line in block.split() if line.strip().endswith(".cpp")}


def parse_args():
    res = glob.glob("/usr/lib/llvm-*/lib/clang/*/include")
    gcc = sorted(glob.glob("/usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++"))
    args = ["-std=c++17", "-x", "c++", "--target=x86_64-w64-mingw32", "-I" + ROOT,
            "-I" + os.path.join(ROOT, "build", "win64", "generated")]
    for include in res[-1:] + gcc[-1:]:
        args += ["-isystem", include]
    if gcc:
        args += ["-isystem", os.path.join(gcc[-1], "x86_64-w64-mingw32")]
    return args


class Site:
    def __init__(self, path, line, text, start, end, before, after, kind):
        self.path, self.line, self.text, self.start, self.end = path, line, text, start, end
        self.before, self.after, self.kind = before, after, kind

    def key(self):
        """The mutant as tools/mutate-equivalent.txt names it: the file, the
        source line as it reads (line numbers move), the change."""
        return "%s: %s: %s -> %s" % (self.path, self.text, self.before.strip() or "(call)", self.after or "(nothing)")


def sites_of(path, index, args):
    source = open(os.path.join(ROOT, path), "rb").read()
    unit = index.parse(os.path.join(ROOT, path), args=args)
    found = []
    parents = {}

    def own(cursor):
        location = cursor.location
        return location.file is not None and os.path.samefile(location.file.name, os.path.join(ROOT, path))

    def text(start, end):
        return source[start:end].decode("latin-1")

    def add(token_or_extent, after, kind):
        start, end = token_or_extent
        line = source.count(b"\n", 0, start) + 1
        begin = source.rfind(b"\n", 0, start) + 1
        finish = source.find(b"\n", start)
        line_text = " ".join(text(begin, finish if finish >= 0 else len(source)).split())
        found.append(Site(path, line, line_text, start, end, text(start, end), after, kind))

    def visit(cursor):
        for child in cursor.get_children():
            parents[child.hash] = cursor
            visit(child)

    visit(unit.cursor)
    # What the compiler alone evaluates (static_assert) is no behaviour.
    compile_time = [(c.extent.start.offset, c.extent.end.offset) for c in unit.cursor.walk_preorder()
                    if own(c) and c.kind == ci.CursorKind.STATIC_ASSERT]
    for cursor in unit.cursor.walk_preorder():
        if not own(cursor) or any(a <= cursor.extent.start.offset < b for a, b in compile_time):
            continue
        kind = cursor.kind
        if kind == ci.CursorKind.BINARY_OPERATOR:
            children = list(cursor.get_children())
            if len(children) != 2:
                continue
            lhs_end = children[0].extent.end.offset
            for token in cursor.get_tokens():
                if token.extent.start.offset >= lhs_end:
                    op = token.spelling
                    span = (token.extent.start.offset, token.extent.end.offset)
                    for table, name in ((COMPARISONS, "comparison"), (LOGICAL, "logical"), (ARITHMETIC, "arithmetic")):
                        if op in table:
                            add(span, table[op], name)
                    break
        elif kind == ci.CursorKind.UNARY_OPERATOR:
            tokens = list(cursor.get_tokens())
            if tokens and tokens[0].spelling == "!":
                add((tokens[0].extent.start.offset, tokens[0].extent.end.offset), "", "negation")
        elif kind == ci.CursorKind.INTEGER_LITERAL:
            tokens = list(cursor.get_tokens())
            if len(tokens) != 1:
                continue
            spelling = tokens[0].spelling
            digits = re.match(r"(0[xX][0-9a-fA-F]+|\d+)", spelling)
            if not digits:
                continue
            # Bounds only: a constant compared with, added to or returned.
            # (A field set to a constant, an argument: mostly values the
            # window system defines, where one more is no fault of the
            # module's making.)
            parent = parents.get(cursor.hash)
            while parent is not None and parent.kind in (ci.CursorKind.UNEXPOSED_EXPR, ci.CursorKind.PAREN_EXPR,
                                                          ci.CursorKind.CSTYLE_CAST_EXPR, ci.CursorKind.CXX_FUNCTIONAL_CAST_EXPR,
                                                          ci.CursorKind.CXX_STATIC_CAST_EXPR):
                parent = parents.get(parent.hash)
            if parent is None or parent.kind not in (ci.CursorKind.BINARY_OPERATOR, ci.CursorKind.RETURN_STMT):
                continue
            if parent.kind == ci.CursorKind.BINARY_OPERATOR:
                operator = [t.spelling for t in parent.get_tokens() if t.extent.start.offset >= list(parent.get_children())[0].extent.end.offset][:1]
                if operator and operator[0] not in COMPARISONS and operator[0] not in ARITHMETIC:
                    continue
            value = int(digits.group(1), 0)
            span = (tokens[0].extent.start.offset, tokens[0].extent.end.offset)
            add(span, str(value + 1) + spelling[digits.end():], "constant")
            if value > 0:
                add(span, str(value - 1) + spelling[digits.end():], "constant")
        elif kind == ci.CursorKind.CALL_EXPR:
            parent = parents.get(cursor.hash)
            if parent is None or parent.kind != ci.CursorKind.COMPOUND_STMT:
                continue
            add((cursor.extent.start.offset, cursor.extent.end.offset), "(void)0", "call dropped")
        elif kind == ci.CursorKind.RETURN_STMT:
            children = list(cursor.get_children())
            if len(children) != 1:
                continue
            value = children[0]
            tokens = [t.spelling for t in value.get_tokens()]
            span = (value.extent.start.offset, value.extent.end.offset)
            if tokens == ["true"]:
                add(span, "false", "return value")
            elif tokens == ["false"]:
                add(span, "true", "return value")
            elif tokens in (["0"], ["nullptr"]):
                continue  # the constant rule covers 0; a null handle has no other value
            elif value.type.kind == ci.TypeKind.BOOL:
                add(span, "!(" + text(*span) + ")", "return value")
    unique = {}
    for site in found:
        unique.setdefault((site.start, site.end, site.after), site)
    return list(unique.values())


def all_sites():
    index = ci.Index.create()
    args = parse_args()
    sites = []
    for folder in PRODUCT_DIRS:
        for path in sorted(glob.glob(os.path.join(ROOT, folder, "*.cpp"))):
            sites += sites_of(os.path.relpath(path, ROOT), index, args)
    return sites


def equivalents():
    known = {}
    path = os.path.join(ROOT, "tools", "mutate-equivalent.txt")
    if os.path.exists(path):
        for line in open(path):
            line = line.rstrip("\n")
            if line and not line.startswith("#") and "  # " in line:
                key, reason = line.split("  # ", 1)
                known[key.strip()] = reason.strip()
    return known


def run(command, log, cwd=TREE, env=None, timeout=None):
    with open(log, "w") as out:
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env,
                                   start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            return -1


def first_failure(log):
    text = open(log, errors="replace").read()
    failed = re.findall(r"\d+ - (\S+) \((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception)", text)
    if failed:
        return failed[0][0] + ("" if failed[0][1] == "Failed" else " (%s)" % failed[0][1].lower())
    return None


def make_tree():
    """A copy of the sources as they are in the tree (tracked files and new
    ones not ignored); its builds persist from run to run, and 32-bit Wine
    and the Wine slots are the tree's own."""
    listed = subprocess.check_output(["git", "-C", ROOT, "ls-files", "-co", "--exclude-standard", "-z"])
    files = {name for name in listed.decode().split("\0") if name and os.path.isfile(os.path.join(ROOT, name))}
    for name in files:
        source, copy = os.path.join(ROOT, name), os.path.join(TREE, name)
        if not os.path.exists(copy) or open(source, "rb").read() != open(copy, "rb").read():
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            shutil.copy2(source, copy)
    for folder, subfolders, names in os.walk(TREE):
        relative = os.path.relpath(folder, TREE)
        if relative == "build" or relative.startswith("build" + os.sep):
            subfolders[:] = []
            continue
        for name in names:
            path = os.path.normpath(os.path.join(relative, name))
            if path not in files:
                os.remove(os.path.join(folder, name))
    build = os.path.join(TREE, "build")
    os.makedirs(build, exist_ok=True)
    for shared in ("wine32-root", "wine32-debs", "qemu", "wine"):
        link = os.path.join(build, shared)
        target = os.path.join(ROOT, "build", shared)
        if os.path.exists(target) and not os.path.lexists(link):
            os.symlink(target, link)


def build(presets, log):
    for preset in presets:
        targets = []
        if preset == "native":
            targets = ["--target", "native_tests", "capture_fuzz", "settings_fuzz"]
        if run(["cmake", "--preset", preset], log + "." + preset + ".configure") != 0:
            return False
        if run(["cmake", "--build", "--preset", preset] + targets, log + "." + preset) != 0:
            return False
    return True


def suites(presets, log):
    """Runs the suites side by side; the first failing test, or None."""
    processes = []
    for preset in presets:
        # A mutant that hangs is killed at the timeout; one that is only slow
        # beside the other suites must not count as killed, so the timeout
        # is well above the slowest test's time on a loaded machine.
        command = ["ctest", "--preset", preset, "--timeout", "900", "--stop-on-failure"]
        if preset == "native":
            command += ["-R", "plain_values|fuzz"]
        else:
            command += ["-j", "3"]
        out = open(log + "." + preset, "w")
        processes.append((preset, subprocess.Popen(command, cwd=TREE, stdout=out, stderr=subprocess.STDOUT,
                                                   start_new_session=True), out))
    killer = None
    while any(p.poll() is None for _, p, _ in processes):
        for preset, process, out in processes:
            if process.poll() is not None and process.returncode != 0 and killer is None:
                killer = preset
        if killer:
            break
        time.sleep(1)
    cut_short = False
    for preset, process, out in processes:
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            cut_short = True
        out.close()
    if cut_short or any(p.returncode != 0 for _, p, _ in processes):
        # A Wine program killed mid-run (or ended by its failure) can leave
        # its slot's display in another mode or with windows of its own: the
        # slots start afresh, so that the next mutant is judged on a clean
        # display, not on what this one left.
        subprocess.call([os.path.join(TREE, "tools", "wine-run.sh"), "--stop"], cwd=TREE,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for preset, process, _ in processes:
        if process.returncode not in (0, -9):
            return first_failure(log + "." + preset) or preset + " suite"
    return None


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    global PLAIN
    PLAIN = plain_sources()
    os.makedirs(WORK, exist_ok=True)
    report_path = os.path.join(WORK, "report-%d.txt" % seed)
    report = open(report_path, "w")

    def line(text):
        say(text)
        report.write(text + "\n")
        report.flush()

    make_tree()
    say("mutate: building the copy in %s" % os.path.relpath(TREE, ROOT))
    if not build(["win64", "native"], os.path.join(WORK, "baseline")):
        say("mutate: the unmutated copy does not build (see %s)" % os.path.relpath(WORK, ROOT))
        return 2
    sites = all_sites()
    known = equivalents()
    random.Random(seed).shuffle(sites)
    line("mutate: %d mutants drawn with seed %d from %d sites" % (count, seed, len(sites)))
    killed = survived = equivalent = 0
    tried = 0
    log = os.path.join(WORK, "last")
    for site in sites:
        if killed + survived + equivalent >= count:
            break
        tried += 1
        path = os.path.join(TREE, site.path)
        original = open(path, "rb").read()
        mutated = original[:site.start] + site.after.encode("latin-1") + original[site.end:]
        try:
            open(path, "wb").write(mutated)
            plain = site.path in PLAIN
            if not build(["win64"] + (["native"] if plain else []), log):
                continue  # does not compile: passed over
            where = "%s:%d  %s -> %s" % (site.path, site.line, site.before.strip() or "(call)", site.after or "(nothing)")
            key = site.key()
            if key in known:
                equivalent += 1
                line("%-70s equivalent: %s" % (where, known[key]))
                continue
            by = suites(["win64"] + (["native"] if plain else []), log)
            if by is None and build(["win32", "win32-tests"], log):
                by = suites(["win32-tests"], log)
                by = by and by + " (product)"
            if by:
                killed += 1
                line("%-70s killed by %s" % (where, by))
            else:
                survived += 1
                line("%-70s SURVIVED\n    as tools/mutate-equivalent.txt names it: %s" % (where, key))
        finally:
            open(path, "wb").write(original)
    # The copy is left as its sources were, built again for the next run.
    judged = killed + survived
    score = 100.0 * killed / judged if judged else 0.0
    line("mutate: %d killed, %d survived, %d equivalent, %d that did not compile passed over; "
         "score %.1f%% of the non-equivalent mutants (seed %d)" % (killed, survived, equivalent,
                                                                    tried - judged - equivalent, score, seed))
    line("mutate: report in %s" % os.path.relpath(report_path, ROOT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
