#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Mutation testing of the unit and GL tests: a seeded sample of single-site mutants of src/,
each applied to a scratch copy of the tree, rebuilt incrementally and run against the tests.

    scripts/mutation.sh [COUNT] [SEED]

A mutant is killed when a test fails (or times out), survives when every test passes, and is
counted apart when it does not build (or its rebuild outlives MUTATION_BUILD_TIMEOUT, default
900 seconds: a mutant can make the pack generator that runs in the build loop for ever).
Environment: MUTATION_DIR (scratch tree, default a new directory under /tmp), MUTATION_TIMEOUT
(seconds for one test run, default 120), MUTATION_JOBS (ctest -j, default 2), MUTATION_ONLY (a
file of `file:line  before -> after` lines, as the survivors are printed: those mutants instead
of a sample, to check that new tests kill them)."""

import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Binary operators and their replacements. A site is only taken where the operator stands with
# spaces on both sides, as the formatter writes binary operators, so that unary minus, pointer
# stars, template brackets and include lines are never mutated.
OPERATORS = {
    "<": ["<=", ">"], "<=": ["<", ">"], ">": [">=", "<"], ">=": [">", "<="],
    "==": ["!="], "!=": ["=="], "&&": ["||"], "||": ["&&"],
    "+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"],
}
OPERATOR_RE = re.compile(r"(?<=\s)(<=|>=|==|!=|&&|\|\||<|>|\+|-|\*|/)(?=\s)")
CONSTANT_RE = re.compile(r"(?<![\w.])(true|false|[0-9])(?![\w.])")
ASSIGNMENT_RE = re.compile(r"^(\s*)([A-Za-z_][\w.\->\[\]]*\s*(?:[-+*/|&]?=)\s*[^=].*;)\s*$")


def strip_line(line):
    """The code of a line with string and character literals and // comments blanked out."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
            out.append(" ")
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out).ljust(len(line))


def sites_of(path):
    """Every mutation site of a file: (line number, column, before, after)."""
    sites = []
    in_block = False
    with open(path) as f:
        lines = f.read().split("\n")
    for n, raw in enumerate(lines, 1):
        code = strip_line(raw)
        if in_block:
            if "*/" not in code:
                continue
            code = " " * (code.index("*/") + 2) + code[code.index("*/") + 2:]
            in_block = False
        if "/*" in code:
            in_block = "*/" not in code[code.index("/*"):]
            code = code[:code.index("/*")]
        stripped = code.strip()
        if not stripped or stripped.startswith("#") or stripped.startswith("static_assert"):
            continue
        for m in OPERATOR_RE.finditer(code):
            for after in OPERATORS[m.group(1)]:
                sites.append((n, m.start(), m.group(1), after))
        for m in CONSTANT_RE.finditer(code):
            c = m.group(1)
            after = {"true": "false", "false": "true", "0": "1", "1": "0"}.get(c, str(int(c) + 1) if c.isdigit() else None)
            if after:
                sites.append((n, m.start(), c, after))
        a = ASSIGNMENT_RE.match(code)
        if a and not stripped.startswith(("return", "const ", "auto ", "int ", "float ", "double ", "bool ")):
            sites.append((n, len(a.group(1)), raw[len(a.group(1)):].strip(), ";"))
    return sites


def apply(text, site):
    n, col, before, after = site
    lines = text.split("\n")
    line = lines[n - 1]
    if after == ";":  # the whole statement dropped
        lines[n - 1] = line[:col] + ";"
    else:
        lines[n - 1] = line[:col] + after + line[col + len(before):]
    return "\n".join(lines)


def run(cmd, cwd, timeout=None):
    """The command's exit status and standard output; the status is None when the command
    outlives the timeout, and then its whole process group is killed, so that no compiler,
    test or pack generator it started runs on."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                            start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        return None, ""


def failed_tests(build, jobs, timeout):
    """Runs the unit and GL tests; None when all pass, else the names of the failing tests
    (a time-out counts as a failure of every test)."""
    status, out = run(["ctest", "-L", "unit", "-j", jobs, "--timeout", str(timeout)], build, timeout * 2)
    if status is None:
        return {"(time-out)"}
    if status == 0:
        return None
    names = set(re.findall(r"^\s*\d+ - (\S+) \(", out.split("The following tests FAILED:")[-1], re.M))
    return names or {"(ctest failed)"}


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    timeout = int(os.environ.get("MUTATION_TIMEOUT", "120"))
    build_timeout = int(os.environ.get("MUTATION_BUILD_TIMEOUT", "900"))
    jobs = os.environ.get("MUTATION_JOBS", "2")
    scratch = os.environ.get("MUTATION_DIR") or tempfile.mkdtemp(prefix="hollowmere-mutation-")

    files = subprocess.run(["git", "ls-files"], cwd=TOP, capture_output=True, text=True, check=True).stdout.split()
    for f in files:
        os.makedirs(os.path.dirname(os.path.join(scratch, f)) or scratch, exist_ok=True)
        shutil.copy2(os.path.join(TOP, f), os.path.join(scratch, f))
    build = os.path.join(scratch, "build")
    # The code of the usual build without its debug information, linked by lld: most of a
    # mutant's rebuild is relinking the test programs.
    subprocess.run(["cmake", "-S", scratch, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG", "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"]
                   + (["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"] if shutil.which("ld.lld") else [])
                   + ["-DHOLLOWMERE_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL)
    print("building the unmutated tree in %s" % scratch, flush=True)
    if run(["cmake", "--build", build], scratch)[0] != 0 or failed_tests(build, jobs, timeout) is not None:
        sys.exit("the unmutated tree does not build or does not pass its unit tests")

    sources = sorted(f for f in files if f.startswith("src/") and f.endswith((".cpp", ".h")))
    population = [(f, s) for f in sources for s in sites_of(os.path.join(scratch, f))]
    rng = random.Random(seed)
    sample = rng.sample(population, min(count, len(population)))
    if os.environ.get("MUTATION_ONLY"):
        wanted = set()
        with open(os.environ["MUTATION_ONLY"]) as fh:
            for line in fh:
                m = re.match(r"^(?:\[\d+/\d+\] )?(\S+):(\d+)  (.*) -> (.*?)(?:  (?:SURVIVED|killed.*|did not build))?$",
                             line.rstrip("\n"))
                if m:
                    wanted.add((m.group(1), int(m.group(2)), m.group(3), m.group(4)))
        sample = [(f, s) for f, s in population if (f, s[0], s[2], s[3]) in wanted]
    print("%d sites in %d files; %d mutants, seed %d" % (len(population), len(sources), len(sample), seed), flush=True)

    killed, survived, unbuilt, kills = 0, [], 0, []
    for k, (f, site) in enumerate(sample, 1):
        path = os.path.join(scratch, f)
        with open(path) as fh:
            original = fh.read()
        with open(path, "w") as fh:
            fh.write(apply(original, site))
        try:
            if run(["cmake", "--build", build], scratch, build_timeout)[0] != 0:
                unbuilt += 1
                verdict = "did not build"
            else:
                failing = failed_tests(build, jobs, timeout)
                if failing is None:
                    survived.append((f, site))
                    verdict = "SURVIVED"
                else:
                    killed += 1
                    kills.append(failing)
                    verdict = "killed by " + " ".join(sorted(failing))
        finally:
            with open(path, "w") as fh:
                fh.write(original)
            os.utime(path)
        print("[%d/%d] %s:%d  %s -> %s  %s" % (k, len(sample), f, site[0], site[2], site[3], verdict), flush=True)
    run(["cmake", "--build", build], scratch)  # leave the scratch build unmutated

    built = killed + len(survived)
    print("\nkilled %d, survived %d, did not build %d" % (killed, len(survived), unbuilt))
    print("kill rate %.1f%% of the %d mutants that build" % (100.0 * killed / built if built else 0.0, built))
    for f, (n, _, before, after) in survived:
        print("%s:%d  %s -> %s" % (f, n, before, after))
    # Which tests carry the kills: a test that never kills a mutant alone is a candidate for
    # merging into another or for deletion.
    alone, total = {}, {}
    for failing in kills:
        for name in failing:
            total[name] = total.get(name, 0) + 1
        if len(failing) == 1:
            name = next(iter(failing))
            alone[name] = alone.get(name, 0) + 1
    print("\nmutants killed by each failing test (alone / in all):")
    for name in sorted(total, key=lambda n: (-alone.get(n, 0), -total[n], n)):
        print("%4d %4d  %s" % (alone.get(name, 0), total[name], name))


if __name__ == "__main__":
    main()
