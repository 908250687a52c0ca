#!/usr/bin/env bash
# Mutation check: applies each mutation of tests/mutations.txt to a scratch copy of the work tree, one at a
# time, rebuilds incrementally and runs the tests; a mutation that no test notices is a fault the suite
# would let through. See docs/testing.md.
#
#   scripts/mutate.sh [--list FILE] [--results FILE] [--labels REGEX] [--no-clean-run] [--check] [ID ...]
#
# --check only tells which mutations no longer apply to the work tree (their text is gone or repeated).
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
ids=()
arguments=("$@")

usage() {
  sed -n '2,11p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

while (($#)); do
  case "$1" in
    --list) list="$(realpath "$2")"; shift 2 ;;
    --results) results="$(realpath "$2")"; shift 2 ;;
    --labels) labels="$2"; shift 2 ;;
    --no-clean-run) clean_run=0; shift ;;
    --check) check=1; shift ;;
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

FIELDS = ("id", "file", "original", "replacement", "breaks", "hint")
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
else:
    sys.exit(f"unknown helper command {command}")
PY
}

selected="$(helper ids "$list" "${ids[@]}")"

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

run_tests() { # log, ctest arguments...
  local log="$1"
  shift
  (cd "$build" && ctest -L "$labels" --parallel "$jobs" --output-on-failure "$@") >"$log" 2>&1
}

if [ "$clean_run" = 1 ]; then
  echo "Running the labels $labels on the unchanged copy"
  if ! run_tests "$logs/clean.log" --no-tests=error; then
    helper failures "$logs/clean.log"
    echo "the unchanged copy fails its tests (log: $logs/clean.log); mutations would prove nothing" >&2
    exit 1
  fi
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
    run_tests "$logs/$id.hint.log" -R "$hint" --no-tests=ignore || true
    failures="$(helper failures "$logs/$id.hint.log")"
    # The hinted run goes to the end, so a named test is preferred to the replay's hash when both fail.
    killer="$( (grep -v '^Replay\.' <<<"$failures" || true; grep '^Replay\.' <<<"$failures" || true) | head -n 1)"
    how="hint"
  fi
  if [ -z "$killer" ]; then
    exclude=()
    [ -z "$hint" ] || exclude=(-E "$hint")
    run_tests "$logs/$id.tests.log" "${exclude[@]}" --stop-on-failure --no-tests=ignore || true
    killer="$(helper failures "$logs/$id.tests.log" | head -n 1)"
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
