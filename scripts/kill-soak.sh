#!/usr/bin/env bash
# Randomised kill test (not part of the test suite): the real vorndrv prints
# random receipts, cash-ins and reports on vorn-sim and is killed with SIGKILL
# at random moments (a random delay, or while the simulator holds the reply to
# a random command), then started again. At the end every file must have one
# true answer: each "0 OK" sale names exactly one receipt on the paper roll
# with that number and those articles, nothing else is booked, and every Z
# report and cash-in answered was made exactly once. While the driver is down
# the file may be written again (same name and bytes, a new time), as an
# application that retries after a time-out does: it must still print once.
#
#   scripts/kill-soak.sh [build-dir] [kills]      defaults: build 200
# Exit 0 when every check held. Uses 127.0.30.200 (device) and port 9130 (control).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
KILLS=${2:-200}
[ -x "$BUILD/app/vorndrv" ] && [ -x "$BUILD/simulator/vorn-sim" ] || {
  echo "build vorndrv and vorn-sim first (cmake --build $BUILD --target vorndrv vorn-sim)" >&2
  exit 2
}
exec python3 - "$BUILD" "$KILLS" <<'PY'
import os, random, re, signal, socket, subprocess, sys, tempfile, time

build, kills_wanted = os.path.abspath(sys.argv[1]), int(sys.argv[2])
ADDR, CONTROL = "127.0.30.200", 9130
rng = random.Random(int(os.environ.get("SOAK_SEED", time.time())))
work = tempfile.mkdtemp(prefix="kill-soak-")
roll_path = os.path.join(work, "roll.txt")

sim = subprocess.Popen([os.path.join(build, "simulator/vorn-sim"), "--tcp", ADDR, "--control",
                        str(CONTROL), "--roll", roll_path], stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL, text=True)
driver = None

def cleanup():
    for p in (driver, sim):
        if p and p.poll() is None:
            p.kill()
            p.wait()

import atexit
atexit.register(cleanup)
for _ in range(2):
    sim.stdout.readline()
ctl = socket.create_connection((ADDR, CONTROL))
ctl_file = ctl.makefile("r")

def control(line):
    ctl.sendall((line + "\n").encode())
    return ctl_file.readline().strip()

with open(os.path.join(work, "XVORNDRV.INI"), "w", newline="") as f:
    f.write("[Configurari]\r\nComunicatie=1\r\nIP=%s\r\n" % ADDR)
env = dict(os.environ, VORNDRV_HOME=work + "/", VORNDRV_HEADLESS="1",
           QT_QPA_PLATFORM="offscreen", VORNDRV_TIME_SCALE="0.1")
log = open(os.path.join(work, "driver.log"), "w")

def start():
    global driver
    driver = subprocess.Popen([os.path.join(build, "app/vorndrv")], env=env, cwd=work,
                              stdout=log, stderr=subprocess.STDOUT)

def kill():
    driver.send_signal(signal.SIGKILL)
    driver.wait()

def path(name):
    return os.path.join(work, name)

def make_file(i):
    r = rng.random()
    if r < 0.06:
        return "cash", ["25;D;%d" % rng.randint(100, 50000)], None
    if r < 0.09:
        return "z", ["15"], None
    if r < 0.12:
        return "x", ["30"], None
    names, lines, total = [], [], 0
    for j in range(rng.randint(1, 6)):
        name = "A%04dX%d" % (i, j)
        price, qty = rng.randint(1, 5000), rng.randint(1, 3)
        lines.append("1;%s;BUC;1;1;%d;%d" % (name, price, qty * 100000))
        names.append(name)
        total += price * qty
        if rng.random() < 0.2:
            lines.append("2;1;TEXT %d" % j)
    r = rng.random()
    if r < 0.6:
        lines.append("5;%d;1" % total)
    elif r < 0.8:
        lines.append("5;%d;1" % (total + rng.randint(1, 5000)))  # change given
    else:
        part = rng.randint(1, total)
        lines += ["5;%d;3" % part, "5;%d;1" % (total - part)] if part < total else ["5;%d;3" % total]
    return "sale", lines, (names, total)

start()
files, kills, held_kills, retries = [], 0, 0, 0
i = 0
t0 = time.time()
while kills < kills_wanted:
    i += 1
    kind, lines, sale = make_file(i)
    name = "ONLINE%d.TXT" % i
    def write_file():
        with open(path(".part"), "w", newline="") as f:
            f.write("".join(l + "\r\n" for l in lines))
        os.rename(path(".part"), path(name))
    write_file()
    files.append((i, kind, sale))
    for _ in range(rng.choice([0, 1, 1, 1, 2, 3])):
        if os.path.exists(path("ERROR%d.TXT" % i)) and not os.path.exists(path(name)):
            break
        if rng.random() < 0.5:
            control("hold-nth %d" % rng.randint(1, 30))
            deadline = time.time() + 3
            while time.time() < deadline and control("held") == "NONE" and os.path.exists(path(name)):
                time.sleep(0.002)
            held_kills += control("held") != "NONE"
        else:
            time.sleep(rng.uniform(0, 0.4))
        kill()
        control("release")
        kills += 1
        answered = os.path.exists(path("ERROR%d.TXT" % i)) and not os.path.exists(path(name))
        if not answered and rng.random() < 0.3:
            time.sleep(0.02)  # a new modification time
            write_file()
            retries += 1
        if rng.random() < 0.1:
            time.sleep(rng.uniform(0, 0.3))
        start()
    deadline = time.time() + 60
    while time.time() < deadline and (os.path.exists(path(name)) or
                                      not os.path.exists(path("ERROR%d.TXT" % i))):
        time.sleep(0.005)
    control("release")

# The last run ends as a normal stop, so a sanitizer build reports what it found.
driver.send_signal(signal.SIGTERM)
driver.wait(timeout=60)
log.close()
roll = open(roll_path, encoding="cp1252").read()
cleanup()

# ---- the ledger ----
sections = roll.split("=" * 42)
booked = []
for s in sections:
    m = re.search(r"BON FISCAL NR\. (\d{4})", s)
    if m and "BON ANULAT" not in s:
        z = re.search(r"Z (\d{4})", s)
        booked.append((m.group(1), z.group(1) if z else "?", re.findall(r"A\d{4}X\d", s), s))
problems, counts = [], {"ok": 0, "error": 0, "restart-notice": 0, "check-device": 0}
zs_ok, cash_ok, z_index = 0, 0, 1
used = set()
for i, kind, sale in files:
    ans_path = path("ERROR%d.TXT" % i)
    if not os.path.exists(ans_path) or os.path.exists(path("ONLINE%d.TXT" % i)):
        problems.append("file %d: no answer or not deleted" % i)
        continue
    ans = open(ans_path, encoding="cp1252", newline="").read().split("\r\n")
    ok = ans[0] == "0 OK"
    counts["ok" if ok else "error"] += 1
    counts["restart-notice"] += any(l.startswith("ATENTIE: driverul a fost repornit") for l in ans)
    counts["check-device"] += any(l.startswith("8060;") for l in ans)
    if kind == "sale":
        names, total = sale
        mine = [b for b in booked if b[2] and b[2][0].startswith("A%04dX" % i)]
        if ok:
            num = [l[len("BON FISCAL NR. "):] for l in ans if l.startswith("BON FISCAL NR. ")]
            if len(mine) != 1:
                problems.append("file %d: answered OK, booked %d times" % (i, len(mine)))
            elif not num or num[0] != mine[0][0] or mine[0][2] != names or \
                    int(mine[0][1]) != z_index:
                problems.append("file %d: answer %s does not name its receipt %s" % (i, num, mine[0][:3]))
            else:
                used.add(id(mine[0]))
        elif mine:
            problems.append("file %d: answered %s but booked %d times" % (i, ans[:2], len(mine)))
    elif kind == "z" and ok:
        zs_ok += 1
        z_index += 1
    elif kind == "cash" and ok:
        cash_ok += 1
        if not any(l.startswith("NUMERAR SERTAR : ") for l in ans):
            problems.append("file %d: cash-in answered without the drawer" % i)
if "Sanitizer" in open(os.path.join(work, "driver.log"), errors="replace").read():
    problems.append("the sanitizer reported an error (driver.log)")
if len(used) != len(booked):
    problems.append("%d receipts booked without an OK answer" % (len(booked) - len(used)))
if roll.count("RAPORT Z NR.") != zs_ok:
    problems.append("Z reports printed %d, answered %d" % (roll.count("RAPORT Z NR."), zs_ok))
if roll.count("INTRODUCERE NUMERAR") != cash_ok:
    problems.append("cash-ins printed %d, answered %d" % (roll.count("INTRODUCERE NUMERAR"), cash_ok))

print("kill-soak: %d files, %d kills (%d on a held reply), %d files written again while down, "
      "in %.0f s; folder %s" % (len(files), kills, held_kills, retries, time.time() - t0, work))
print("answers: %(ok)d OK, %(error)d errors, %(restart-notice)d with the restart notice, "
      "%(check-device)d asking to check the device" % counts)
print("roll: %d receipts booked, %d voided, %d Z reports, %d cash-ins" %
      (len(booked), roll.count("BON ANULAT"), roll.count("RAPORT Z NR."), roll.count("INTRODUCERE NUMERAR")))
for p in problems:
    print("PROBLEM:", p)
print("kill-soak:", "FAILED" if problems else "passed")
sys.exit(1 if problems else 0)
PY
