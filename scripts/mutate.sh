#!/usr/bin/env bash
# Mutation check: applies each mutation of tests/mutations.txt to a scratch copy of the work tree, one at a
# time, rebuilds incrementally and runs the tests; a mutation that no test notices is a fault the suite
# would let through. See docs/testing.md.
#
#   scripts/mutate.sh [--list FILE] [--results FILE] [--labels REGEX] [--no-clean-run] [--check] [ID ...]
#   scripts/mutate.sh --sweep [--dry-run] [--results FILE] [--no-clean-run] [PATTERN ...]
#
# --check only tells which mutations no longer apply to the work tree (their text is gone or repeated).
#
# --sweep generates the faults instead: one for each named constant (constexpr, or const at namespace
# scope) of engine/ and game/ that is a number, a boolean, a vector or an aggregate of number literals: a
# floating-point value halved, an integer one more, a boolean flipped, the first non-zero component of a
# vector or aggregate changed likewise (an all-zero one's first component becomes one).
# Constants whose change no test could observe by construction are skipped, each with the reason (the
# table in this script); arrays, strings and other types are left out. For each constant the labels unit
# and gl run first and, only if none of their tests fails, the replay; the constant is killed by a named
# test, killed only by the replay's hash, or survived, and a change that does not build counts apart. One
# line per constant (file:line, name, change, outcome, the killing test) goes to the results file (default
# $VANTOR_MUTATE_DIR/sweep.txt), which ends with the figures. A run resumes that file: constants already in
# it are not run again (delete it to start afresh). PATTERNs, regular expressions of "file:name", choose
# constants; --dry-run only lists them with their changes. The whole sweep takes hours.
#
# Environment: VANTOR_MUTATE_DIR (scratch directory, default /tmp/vantor-mutate), VANTOR_MUTATE_JOBS (build
# and test jobs, default 2), VANTOR_MUTATE_TEST_TIMEOUT (seconds one test process may take, default 300).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
scratch="${VANTOR_MUTATE_DIR:-/tmp/vantor-mutate}"
jobs="${VANTOR_MUTATE_JOBS:-2}"
export VANTOR_MUTATE_TEST_TIMEOUT="${VANTOR_MUTATE_TEST_TIMEOUT:-300}"
list="$root/tests/mutations.txt"
results=""
labels="unit|gl|replay"
clean_run=1
check=0
sweep=0
dry_run=0
ids=()
arguments=("$@")

usage() {
  sed -n '2,25p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

while (($#)); do
  case "$1" in
    --list) list="$(realpath "$2")"; shift 2 ;;
    --results) results="$(realpath "$2")"; shift 2 ;;
    --labels) labels="$2"; shift 2 ;;
    --no-clean-run) clean_run=0; shift ;;
    --check) check=1; shift ;;
    --sweep) sweep=1; shift ;;
    --dry-run) dry_run=1; shift ;;
    -h | --help) usage ;;
    -*) echo "unknown option $1" >&2; usage ;;
    *) ids+=("$1"); shift ;;
  esac
done

# Reads the list, copies files and applies mutations; Python's exact string handling keeps the texts
# verbatim, which quoting in shell would not.
helper() {
  python3 - "$@" <<'PY'
import os, re, sys

FIELDS = ("id", "file", "original", "replacement", "breaks", "hint", "line", "name", "change", "skip")
REQUIRED = ("id", "file", "original", "replacement", "breaks")


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def read_list(path):
    mutations, current = [], {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("#"):
                continue
            if not line.strip():
                if current:
                    mutations.append(current)
                current = {}
                continue
            name, sep, value = line.partition(":")
            if not sep or name not in FIELDS or name in current:
                sys.exit(f"{path}:{number}: expected one of {', '.join(FIELDS)} once per block, then ':'")
            current[name] = value[1:] if value.startswith(" ") else value
    if current:
        mutations.append(current)
    seen = set()
    for m in mutations:
        missing = [k for k in REQUIRED if k not in m]
        if missing:
            sys.exit(f"{path}: mutation {m.get('id', '?')} lacks {', '.join(missing)}")
        if m["id"] in seen:
            sys.exit(f"{path}: mutation {m['id']} is listed twice")
        seen.add(m["id"])
    return mutations


def by_id(path, wanted):
    mutations = read_list(path)
    for m in mutations:
        if m["id"] == wanted:
            return m
    sys.exit(f"no mutation {wanted} in {path}")


def read(path):
    with open(path, encoding="utf-8", newline="") as f:
        return f.read()


def write(path, text):
    # A plain write gives the file a new modification time, so the build always sees the change.
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def escape(text):
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")


# Constants of the sweep whose change no test could observe by construction: (file, name) and why.
SWEEP_SKIPS = {
    ("engine/render/RgbaImage.cpp", "kLargeBlock"):
        "decides where the memory of decoded pixels comes from, not what it holds",
    ("engine/render/RgbaImage.cpp", "kReadPiece"): "the size of the pieces an image file is read in",
    ("engine/sound/SoundDecoder.cpp", "kReadBytes"): "the size of the pieces a sound is decoded in",
    ("engine/render/DrawQueue.cpp", "kLookBack"):
        "how many runs back a visual looks for one to join: the queue keeps the drawing order whatever it is",
    ("engine/core/TypedComponentRegistry.cpp", "kBlanksBeforeSqueeze"):
        "when a run of components is compacted, which keeps their order",
    ("game/AssetPreloader.cpp", "kImageNiceness"): "the scheduling priority of the image decoding thread",
    # The broad phase finds the same pairs as a walk of every entity, which the tests compare it with; these
    # only decide how it buckets and when it starts indexing.
    **{("engine/components/CollisionBroadPhase.cpp", name): "how the collision index buckets entities"
       for name in ("kBaseCellSize", "kLevelCount", "kLargestCellIndex", "kMinimumBuckets")},
    **{("engine/components/CollisionBroadPhase.cpp", name):
       "a margin over single-precision rounding that the index adds to its bounds" for name in (
           "kRelativeSlack", "kAbsoluteSlack")},
    ("engine/components/CollisionBroadPhase.hpp", "kDefaultMinimumIndexedEntities"):
        "from how many entities a tag is indexed rather than walked",
    ("engine/components/EntityPointerSet.hpp", "kInlineCapacity"): "how many members a set keeps inline",
    ("engine/core/NodePool.cpp", "kFirstChunkBlocks"): "the size of the pool's first chunk",
    ("engine/core/NodePool.cpp", "kLargestChunkBlocks"): "the size of the pool's largest chunk",
    ("engine/core/PointerMap.hpp", "kAlignmentBits"): "how addresses spread over a hash table's slots",
    ("engine/core/PointerMap.hpp", "kGoldenRatio"): "how addresses spread over a hash table's slots",
    ("engine/render/RgbaImage.cpp", "kBlockHeader"): "where a decoded image's memory starts in its block",
    ("engine/sound/SoundManager.cpp", "kMusicBufferCount"):
        "how many blocks of music are queued ahead: the same samples play in the same order",
    ("engine/sound/SoundManager.cpp", "kMusicBlockFrames"):
        "the size of the blocks music is queued in: the same samples play in the same order",
    ("engine/text/FontParsing.cpp", "kTokenSlack"):
        "how far a token that cannot match is read before the same error is reported",
}
FLOATS = {"float", "double", "GLfloat"}
INTEGERS = {"int", "unsigned", "unsigned int", "long", "long long", "short", "char", "std::size_t",
            "size_t", "GLuint", "GLint", "GLsizei", "GLenum"} | {
    f"std::{u}int{w}_t" for u in ("", "u") for w in (8, 16, 32, 64)}
VECTORS = {f"{ns}{kind}vec{n}" for ns in ("", "glm::") for kind in ("", "i") for n in (2, 3, 4)}
DECLARATION = re.compile(
    r"(?m)^(?P<indent>[ \t]*)(?P<specifiers>(?:(?:static|inline)\s+)*(?P<kind>constexpr|const)\s+(?:(?:static|inline)\s+)*)"
    r"(?P<type>(?:unsigned\s+|signed\s+)?(?:long\s+long|[A-Za-z_][\w:]*))\s+(?P<name>[A-Za-z_]\w*)\s*"
    r"(?P<init>=[^;]*|\{[^;{}]*\}|\([^;()]*(?:\([^;()]*\)[^;()]*)*\))\s*;")
NUMBER = re.compile(r"^(?P<sign>-?)(?P<digits>0[xX][0-9a-fA-F]+|[0-9]+\.?[0-9]*(?:[eE][-+]?[0-9]+)?|"
                    r"\.[0-9]+(?:[eE][-+]?[0-9]+)?)(?P<suffix>[fFuUlL]*)$")


def is_integral(number):
    digits = number["digits"].lower()
    return digits.startswith("0x") or (not re.search(r"[.e]", digits) and "f" not in number["suffix"].lower())


def value_of(number):
    integral = is_integral(number)
    return int(number["sign"] + number["digits"], 0) if integral else float(number["sign"] + number["digits"])


def halved(text, double):
    # The expression halved, as a literal where it is one; a zero becomes one.
    number = NUMBER.match(text.strip())
    if number and not number["digits"].lower().startswith("0x"):
        value = float(value_of(number))
        suffix = number["suffix"] if "f" in number["suffix"].lower() else ""
        return repr(value / 2 if value != 0 else 1.0) + suffix
    return f"({text.strip()}) * {'0.5' if double else '0.5f'}"


def plus_one(text):
    number = NUMBER.match(text.strip())
    if number and is_integral(number):
        value = value_of(number) + 1
        return (f"0x{value:X}" if number["digits"].lower().startswith("0x") else str(value)) + number["suffix"]
    return f"({text.strip()}) + 1"


def split_components(inner):
    parts, depth, start = [], 0, 0
    for i, c in enumerate(inner):
        depth += c in "([{"
        depth -= c in ")]}"
        if c == "," and depth == 0:
            parts.append((start, i))
            start = i + 1
    parts.append((start, len(inner)))
    return parts


def changed_initialiser(type_, init):
    """The new initialiser text and a description of the change, or None for a type the sweep leaves out."""
    assignment = init.startswith("=")
    value = init[1:] if assignment else init[1:-1]
    if type_ in FLOATS or type_ in INTEGERS or type_ == "bool":
        if type_ == "bool":
            new = {"true": "false", "false": "true"}.get(value.strip(), f"!({value.strip()})")
        elif type_ in FLOATS:
            new = halved(value, type_ != "float" and type_ != "GLfloat")
        else:
            new = plus_one(value)
        text = ("= " + new) if assignment else init[0] + new + init[-1]
        return text, f"{value.strip()} -> {new}"
    # A vector, or an aggregate of number literals only: one component.
    body = value
    if assignment:
        call = re.match(r"^\s*(?:glm::)?\w+\s*(?P<open>[({])(?P<inner>.*)[)}]\s*$", value, re.S)
        if not call:
            return None
        body, offset = call["inner"], len(init) - len(value) + call.start("inner")
    else:
        offset = 1
    parts = split_components(body)
    literals = [NUMBER.match(body[a:b].strip()) for a, b in parts]
    if type_ not in VECTORS and not all(literals):
        return None
    choice = next((i for i, n in enumerate(literals) if n and value_of(n) != 0), 0)
    a, b = parts[choice]
    old = body[a:b].strip()
    number = literals[choice]
    integral = re.sub(r"^glm::", "", type_).startswith("ivec") or (number is not None and is_integral(number))
    new = plus_one(old) if integral else halved(old, False)
    lead = len(body[a:b]) - len(body[a:b].lstrip())
    start = offset + a + lead
    text = init[:start] + new + init[start + len(old):]
    return text, f"component {choice + 1}: {old} -> {new}"


def sweep_constants(work):
    """Every named constant of engine/ and game/ the sweep changes or skips, in file order."""
    found = []
    for base in ("engine", "game"):
        for directory, _, files in sorted(os.walk(os.path.join(work, base))):
            for file_name in sorted(files):
                if not file_name.endswith((".cpp", ".hpp")):
                    continue
                path = os.path.relpath(os.path.join(directory, file_name), work)
                text = read(os.path.join(work, path))
                seen = {}
                for m in DECLARATION.finditer(text):
                    if m["kind"] == "const" and m["indent"]:
                        continue  # a value computed in a function, not a named constant
                    type_ = re.sub(r"\s+", " ", m["type"])
                    change = changed_initialiser(type_, m["init"])
                    if change is None:
                        continue
                    seen[m["name"]] = seen.get(m["name"], 0) + 1
                    name = m["name"] + (f"#{seen[m['name']]}" if seen[m["name"]] > 1 else "")
                    line = text.count("\n", 0, m.start("specifiers")) + 1
                    # The declaration, with the lines before it where it is not unique in the file.
                    start = m.start("specifiers")
                    while text.count(text[start:m.end()]) > 1 and start > 0:
                        start = text.rfind("\n", 0, start - 1) + 1
                    original = text[start:m.end()]
                    init_at = m.start("init") - start
                    replacement = original[:init_at] + change[0] + original[init_at + len(m["init"]):]
                    skip = SWEEP_SKIPS.get((path, m["name"]))
                    found.append({"id": f"{path}:{name}", "file": path, "line": line, "name": name,
                                  "change": change[1], "skip": skip, "original": original,
                                  "replacement": replacement,
                                  "breaks": f"the constant {m['name']} changed: {change[1]}"})
    return found


command, args = sys.argv[1], sys.argv[2:]
if command == "ids":
    mutations = read_list(args[0])
    known = {m["id"] for m in mutations}
    unknown = [i for i in args[1:] if i not in known]
    if unknown:
        sys.exit(f"no mutation {' '.join(unknown)} in {args[0]}")
    wanted = set(args[1:])
    print("\n".join(m["id"] for m in mutations if not wanted or m["id"] in wanted))
elif command == "field":
    print(by_id(args[0], args[1]).get(args[2], ""))
elif command == "sync":
    # Copies only files whose content differs, so an unchanged file keeps its time and is not rebuilt.
    work, copy, manifest, listing = args
    tracked = [p for p in read(listing).split("\0") if p]
    old = set(read(manifest).split("\0")) - {""} if os.path.exists(manifest) else set()
    for gone in old - set(tracked):
        if os.path.lexists(os.path.join(copy, gone)):
            os.remove(os.path.join(copy, gone))
    for path in tracked:
        source, target = os.path.join(work, path), os.path.join(copy, path)
        if not os.path.isfile(source):
            continue  # deleted in the work tree but not yet in the index
        with open(source, "rb") as f:
            data = f.read()
        if os.path.isfile(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        os.chmod(target, os.stat(source).st_mode & 0o777)
    write(manifest, "\0".join(tracked))
elif command in ("apply", "check"):
    # Prints nothing when the mutation applies, else why it does not apply to this tree.
    listing, wanted, copy = args[:3]
    m = by_id(listing, wanted)
    path = os.path.join(copy, m["file"])
    if not os.path.isfile(path):
        print(f"no file {m['file']}")
        sys.exit()
    text = read(path)
    original, replacement = unescape(m["original"]), unescape(m["replacement"])
    count = text.count(original)
    if count != 1:
        print(f"original text found {count} times in {m['file']}")
        sys.exit()
    if command == "check":
        sys.exit()
    write(args[3], text)
    write(path, text.replace(original, replacement))
elif command == "restore":
    listing, wanted, copy, backup = args
    write(os.path.join(copy, by_id(listing, wanted)["file"]), read(backup))
    os.remove(backup)
elif command == "failures":
    # Failing tests of a ctest log in the order ctest reported them.
    pattern = re.compile(r"Test +#\d+: (\S+) \.*\s*\*\*\*(.*?)\s+[\d.]+ sec")
    with open(args[0], encoding="utf-8", errors="replace") as f:
        for line in f:
            found = pattern.search(line)
            if found:
                print(f"{found.group(1)}\t{found.group(2).strip()}")
elif command == "sweep":
    # Writes the constant sweep's faults as a list in the format of tests/mutations.txt.
    work, target, patterns = args[0], args[1], args[2:]
    with open(target, "w", encoding="utf-8") as f:
        for c in sweep_constants(work):
            if patterns and not any(re.search(p, c["id"]) for p in patterns):
                continue
            for name in ("id", "file", "line", "name", "change", "skip", "original", "replacement", "breaks"):
                if c.get(name) is not None:
                    f.write(f"{name}: {escape(str(c[name]))}\n")
            f.write("\n")
elif command == "describe":
    # The sweep's constants, one a line, and how many there are.
    mutations = read_list(args[0])
    for m in mutations:
        skip = f"\tskipped: {m['skip']}" if m.get("skip") else ""
        print(f"{m['file']}:{m['line']}\t{m['name']}\t{m['change']}{skip}")
    skipped = sum(1 for m in mutations if m.get("skip"))
    print(f"{len(mutations)} constants, {len(mutations) - skipped} to change, {skipped} skipped")
elif command == "swept":
    # Whether the results file already holds a line for the constant of this id.
    results, wanted_file, wanted_name = args
    done = False
    if os.path.exists(results):
        with open(results, encoding="utf-8") as f:
            for line in f:
                columns = line.rstrip("\n").split("\t")
                if len(columns) >= 2 and not line.startswith("#"):
                    done |= columns[0].rsplit(":", 1)[0] == wanted_file and columns[1] == wanted_name
    print("yes" if done else "")
elif command == "sweep-summary":
    # Ends the results file with the figures over every line in it, and prints them.
    results = args[0]
    with open(results, encoding="utf-8") as f:
        lines = [line for line in f if not line.startswith("#")]
    outcomes = [line.rstrip("\n").split("\t")[3] for line in lines]
    count = {o: outcomes.count(o) for o in ("named", "replay", "survived", "no build", "skipped")}
    judged = count["named"] + count["replay"] + count["survived"]
    share = f"{100 * count['named'] / judged:.0f} %" if judged else "-"
    summary = (f"# {len(lines)} constants: killed by a named test {count['named']}, killed only by the "
               f"replay's hash {count['replay']}, survived {count['survived']}; did not build "
               f"{count['no build']}, skipped {count['skipped']}. Named tests killed {share} of those built and "
               f"not skipped.\n")
    with open(results, "w", encoding="utf-8") as f:
        f.writelines(lines + [summary])
    print(summary, end="")
else:
    sys.exit(f"unknown helper command {command}")
PY
}

if [ "$sweep" = 1 ]; then
  # Generated from the work tree on every run, so that it follows the code; results are keyed by file and
  # name, which line numbers do not disturb.
  mkdir -p "$scratch"
  list="$scratch/sweep-list.txt"
  helper sweep "$root" "$list" "${ids[@]}"
  if [ "$dry_run" = 1 ]; then
    helper describe "$list"
    exit 0
  fi
  results="${results:-$scratch/sweep.txt}"
  selected="$(helper ids "$list")"
else
  selected="$(helper ids "$list" "${ids[@]}")"
fi

if [ "$check" = 1 ]; then
  for id in $selected; do
    reason="$(helper check "$list" "$id" "$root")"
    echo "$id ${reason:-applies}"
  done
  exit 0
fi

# One virtual display for the whole run: starting one per test run would cost more than most runs.
if [ -z "${DISPLAY:-}" ]; then
  exec bash "$root/scripts/with-display.sh" bash "${BASH_SOURCE[0]}" "${arguments[@]}"
fi

src="$scratch/src"
build="$src/build" # inside the copy, as in a developer's tree, so the compiler cache is shared with them
logs="$scratch/logs"
mkdir -p "$src" "$logs"

echo "Copying the work tree to $src"
# The helper reads its program from standard input, so the file list goes through a file.
git -C "$root" ls-files -z >"$scratch/tracked.new"
helper sync "$root" "$src" "$scratch/tracked" "$scratch/tracked.new"
rm "$scratch/tracked.new"
# A run stopped halfway leaves a mutation in the copy; the copy above has just put the original back.
rm -f "$scratch"/backup

# Every test process runs under a time limit, so a mutation that makes a test loop forever is reported as
# killed by that test instead of stalling the run.
cat >"$scratch/run-test.sh" <<'SH'
#!/usr/bin/env bash
status=0
timeout --kill-after=10 "${VANTOR_MUTATE_TEST_TIMEOUT:-300}" "$@" || status=$?
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "timed out after ${VANTOR_MUTATE_TEST_TIMEOUT:-300} s: $*" >&2
fi
exit "$status"
SH
chmod +x "$scratch/run-test.sh"

# Configured every time (it changes nothing when nothing changed), so a scratch directory left by an older
# version of this script is brought up to date.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$scratch/run-test.sh" >"$logs/configure.log"

echo "Building the unchanged copy"
cmake --build "$build" --parallel "$jobs" >"$logs/build.log" 2>&1 || {
  tail -n 30 "$logs/build.log"
  echo "the unchanged copy does not build" >&2
  exit 1
}

# Only the executables of the chosen labels are rebuilt per mutation (with what they depend on).
mapfile -t targets < <(cd "$build" && ctest -L "$labels" --show-only=json-v1 | python3 -c '
import json, os, sys
build = os.getcwd()
seen = set()
for test in json.load(sys.stdin)["tests"]:
    for word in test.get("command", []):
        if word.startswith(build + "/") and os.access(word, os.X_OK) and not word.endswith("run-test.sh"):
            seen.add(os.path.relpath(word, build))
print("\n".join(sorted(seen)))')
if ((${#targets[@]} == 0)); then
  echo "no tests carry the labels $labels" >&2
  exit 1
fi

run_tests() { # log, labels, ctest arguments...
  local log="$1" labels="$2"
  shift 2
  (cd "$build" && ctest -L "$labels" --parallel "$jobs" --output-on-failure "$@") >"$log" 2>&1
}

if [ "$clean_run" = 1 ]; then
  echo "Running the labels $labels on the unchanged copy"
  if ! run_tests "$logs/clean.log" "$labels" --no-tests=error; then
    helper failures "$logs/clean.log"
    echo "the unchanged copy fails its tests (log: $logs/clean.log); mutations would prove nothing" >&2
    exit 1
  fi
fi

if [ "$sweep" = 1 ]; then
  # The named tests first (every label the mutation check runs but the replay's), then, only if none of
  # them noticed, the replay in one process: the second process's other heap layout adds nothing here.
  named_labels="unit|gl"
  touch "$results"
  before=$SECONDS timed=0
  for id in $selected; do
    field() { helper field "$list" "$id" "$1"; }
    file="$(field file)" name="$(field name)" change="$(field change)" skip="$(field skip)"
    [ -z "$(helper swept "$results" "$file" "$name")" ] || continue
    log="$logs/sweep-${id//[^A-Za-z0-9_.-]/_}"
    outcome="skipped" killer="$skip" started=$SECONDS
    if [ -z "$skip" ]; then
      if [ -n "$(helper apply "$list" "$id" "$src" "$scratch/backup")" ]; then
        echo "$id no longer applies: the work tree changed during the run" >&2
        continue
      fi
      outcome="no build" killer=""
      if cmake --build "$build" --parallel "$jobs" --target "${targets[@]}" >"$log.build.log" 2>&1; then
        outcome="named"
        run_tests "$log.named.log" "$named_labels" --stop-on-failure --no-tests=ignore || true
        killer="$(helper failures "$log.named.log" | sed -n 1p)"
        if [ -z "$killer" ]; then
          outcome="replay"
          run_tests "$log.replay.log" replay -E '^Replay\.SecondProcess' --no-tests=ignore || true
          killer="$(helper failures "$log.replay.log" | sed -n 1p)"
        fi
        [ -n "$killer" ] || outcome="survived"
        killer="${killer%%$'\t'*}"
      fi
      helper restore "$list" "$id" "$src" "$scratch/backup"
    fi
    printf '%s:%s\t%s\t%s\t%s\t%s\n' "$file" "$(field line)" "$name" "$change" "$outcome" "${killer:--}" >>"$results"
    printf '%-60s %-9s %s (%d s)\n' "$id" "$outcome" "${killer:--}" $((SECONDS - started))
    [ "$outcome" = "skipped" ] || timed=$((timed + 1))
  done
  ((timed == 0)) || echo "$timed constants in $((SECONDS - before)) s, $(((SECONDS - before) / timed)) s each"
  helper sweep-summary "$results"
  exit 0
fi

report() { # id, status, test, note
  local line
  line="$(printf '%-5s %-16s %-70s %s' "$1" "$2" "${3:--}" "${4:-}")"
  echo "$line"
  [ -z "$results" ] || echo "$line" >>"$results"
}
[ -z "$results" ] || : >"$results"

killed=0 survived=0 broken=0 inapplicable=0
for id in $selected; do
  reason="$(helper apply "$list" "$id" "$src" "$scratch/backup")"
  if [ -n "$reason" ]; then
    report "$id" "not applicable" "" "$reason"
    inapplicable=$((inapplicable + 1))
    continue
  fi
  started=$SECONDS
  if ! cmake --build "$build" --parallel "$jobs" --target "${targets[@]}" >"$logs/$id.build.log" 2>&1; then
    helper restore "$list" "$id" "$src" "$scratch/backup"
    report "$id" "build failed" "" "killed by the compiler ($((SECONDS - started)) s)"
    broken=$((broken + 1))
    continue
  fi
  hint="$(helper field "$list" "$id" hint)"
  killer="" how=""
  if [ -n "$hint" ]; then
    run_tests "$logs/$id.hint.log" "$labels" -R "$hint" --no-tests=ignore || true
    failures="$(helper failures "$logs/$id.hint.log")"
    # The hinted run goes to the end, so a named test is preferred to the replay's hash when both fail.
    killer="$( (grep -v '^Replay\.' <<<"$failures" || true; grep '^Replay\.' <<<"$failures" || true) | sed -n 1p)"
    how="hint"
  fi
  if [ -z "$killer" ]; then
    exclude=()
    [ -z "$hint" ] || exclude=(-E "$hint")
    run_tests "$logs/$id.tests.log" "$labels" "${exclude[@]}" --stop-on-failure --no-tests=ignore || true
    killer="$(helper failures "$logs/$id.tests.log" | sed -n 1p)"
    how="labels"
  fi
  helper restore "$list" "$id" "$src" "$scratch/backup"
  if [ -n "$killer" ]; then
    report "$id" "killed" "${killer%%$'\t'*}" "${killer#*$'\t'} ($how, $((SECONDS - started)) s)"
    killed=$((killed + 1))
  else
    report "$id" "survived" "" "$(helper field "$list" "$id" breaks)"
    survived=$((survived + 1))
  fi
done

judged=$((killed + survived))
total="killed $killed of $judged built mutations$( ((judged == 0)) || echo " ($((100 * killed / judged)) %)"),"
total="$total survived $survived, build failed $broken, not applicable $inapplicable"
echo "$total"
[ -z "$results" ] || echo "$total" >>"$results"
