#!/usr/bin/env bash
# Checks the fleet recipes of packaging/fleet/ as far as this host can: there is no PowerShell
# here, so the scripts are read, never run. Every call of Stellwick.com in a recipe (in the
# scripts: `& $stellwick ...`) must pass switches that the program's own usage (Stellwick.com /?,
# run under Wine) accepts, /allusers among them; the Ansible tasks must parse and judge each exit
# code as the program means it (stellwick/command_line/unattended.h); the scripts must suit
# Windows PowerShell 5.1.
#   fleet_recipes_test.sh STELLWICK_COM    (WINE_LOADER and WINEPREFIX come from the caller)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
echo "fleet recipes: the PowerShell scripts are not run here (no PowerShell on this host); they are only read"
python3 -c 'import yaml, jinja2' 2>/dev/null ||
  { echo "fleet recipes: FAILED: python3 lacks yaml or jinja2 (scripts/install-deps.sh installs python3-yaml and python3-jinja2)"; exit 1; }
usage=$("$root/scripts/wine-run.sh" "$1" '/?' 2>&1 >/dev/null | tr -d '\r') ||
  { echo "fleet recipes: FAILED: $1 /? did not exit 0"; exit 1; }

python3 - "$root" "$usage" <<'EOF'
import pathlib, re, sys
import jinja2, yaml

root, usage = pathlib.Path(sys.argv[1]), sys.argv[2]
fleet, failed = root / "packaging/fleet", []

def check(ok, what):
    print(f"fleet recipes: {'ok' if ok else 'FAILED'}: {what}")
    failed.extend([] if ok else [what])

# The usage's commands, each with its switches: None for a flag, "" for any value, else the values.
accepted = {}
for line in usage.splitlines():
    words = line.split()
    if len(words) > 1 and words[0] == "Stellwick" and words[1] != "/?":  # Wine may add lines of its own
        accepted[words[1]] = {name: None if not values else "" if values.isupper() else set(values.split("|"))
                              for name, values in re.findall(r"\[(/\w+)(?::([^\]]+))?\]", line)}
check(sorted(accepted) == ["/clean", "/list"], f"the usage has /list and /clean: {usage!r}")

def fault(args):  # why the program would refuse these switches, or None
    if not args or args[0] not in accepted: return "no /list or /clean first"
    taken = accepted[args[0]]
    for i, arg in enumerate(args[1:]):
        name, colon, value = arg.partition(":")
        kind = taken.get(name, "unknown")
        if kind == "unknown" or name in [a.partition(":")[0] for a in args[1:i + 1]]: return f"{arg} unknown or repeated"
        if kind is None and colon or kind == "" and not value or isinstance(kind, set) and value not in kind:
            return f"{arg} has a wrong value"
    return None if "/allusers" in args else "no /allusers"

calls = []
for script in sorted(fleet.glob("*.ps1")):
    text = script.read_bytes().decode("utf-8", "replace")
    check(text.isascii(), f"{script.name} is ASCII (PowerShell 5.1 reads a file without BOM in the ANSI code page)")
    code = [l for l in text.splitlines() if not l.lstrip().startswith("#")]
    check(not [l for l in code if re.search(r"&&|\|\||\?\?|\?\.", l)], f"{script.name} uses no PowerShell 7 operator")
    found = re.findall(r"&\s*\$stellwick\s+(.*?)\s*(?:2>|\||$)", text, re.M)
    check(found, f"{script.name} calls Stellwick.com")
    calls += [(script.name, [t.strip("'\"") for t in re.findall(r"\"[^\"]*\"|'[^']*'|\S+", f)]) for f in found]

tasks = yaml.safe_load((fleet / "stellwick-tasks.yml").read_text())
runs = {t["register"]: t for t in tasks if "ansible.windows.win_command" in t}
check(sorted(runs) == ["stellwick_clean", "stellwick_list"], "the Ansible tasks parse, one for /list and one for /clean")
calls += [(f"Ansible {n}", t["ansible.windows.win_command"]["argv"][1:]) for n, t in runs.items()]
for where, args in calls:
    check(fault(args) is None, f"{where}: {' '.join(args)}: {fault(args) or 'accepted'}")

env = jinja2.Environment()
env.tests["search"] = lambda value, pattern: re.search(pattern, value) is not None
def judge(expr, **names):
    return expr if isinstance(expr, bool) else env.from_string(f"{{% if {expr} %}}1{{% endif %}}").render(**names) == "1"

code = {n: int(v) for n, v in re.findall(r"(k\w+) = (\d+)", (root / "stellwick/command_line/unattended.h").read_text())}
for name in runs:
    wrong = []
    for rc in sorted(set(code.values())) + [3, -1073741515]:
        for deleted in (0, 2):
            out = f"HKLM\ta.exe\tC:\\gone\\a.exe\tbroken\tfile-not-found\tfailed\r\nStellwick: looked 9, broken 3, unverifiable 1, deleted {deleted}, failed 1\r\n"
            result = {name: {"rc": rc, "stdout": out, "stdout_lines": out.splitlines()}}
            fails = rc not in (code["kNothingBroken"], code["kFoundBroken"]) if name == "stellwick_list" else rc != code["kNothingBroken"]
            changes = name == "stellwick_clean" and deleted > 0
            got = (judge(runs[name]["failed_when"], **result), judge(runs[name]["changed_when"], **result))
            wrong += [] if got == (fails, changes) else [f"exit {rc}, deleted {deleted}: failed, changed = {got}"]
    check(not wrong, f"Ansible {name} is failed and changed as the exit codes and summary say {wrong or ''}")

path = tasks[0]["ansible.builtin.set_fact"]["stellwick_program"]
for folders, expected in (({"ProgramFiles(x86)": r"C:\Program Files (x86)", "ProgramFiles": r"C:\Program Files"}, r"C:\Program Files (x86)"),
                          ({"ProgramFiles": r"C:\Program Files"}, r"C:\Program Files")):
    got = env.from_string(path).render(ansible_env=folders)
    check(got == expected + r"\Orrindale\Stellwick\Stellwick.com", f"Ansible finds the program in {got}")
print(f"fleet recipes: {len(failed)} failed")
sys.exit(1 if failed else 0)
EOF
