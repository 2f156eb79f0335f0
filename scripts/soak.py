#!/usr/bin/env python3
"""Faulty-device soak: drives the real vorndrv with random receipt files against
vorn-sim while the simulator injects faults, then checks the ledger on the paper
roll.

  soak.py --build BUILD_DIR [--files N] [--seed S] [--address 127.0.40.20] [--keep]

Each file is dropped only after the previous one was answered, so the roll
printed between two answers belongs to one file. Checked per file:
  * "0 OK" for a sale: exactly one closed receipt, numbered as the answer says,
    holding the file's articles, texts and payments in order;
  * an error answer: no closed receipt (a voided one at most);
  * cash in / X report: the document on the roll exactly when answered "0 OK";
and per Z report (asked for by the device after 24 hours, or the closing one):
its receipt count and day total equal those of the receipts answered "0 OK"
since the previous Z. Exit status 0 when the ledger holds.
"""
import argparse
import os
import random
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

WORDS = ["PAINE", "LAPTE", "CAFEA", "ZAHAR", "ULEI", "MERE", "APA", "SUC", "OUA", "BRANZA"]


def money(bani):
    return "%d.%02d" % (bani // 100, bani % 100) if bani >= 0 else "-" + money(-bani)


class Control:
    """The simulator's control channel: one command, one answer line."""

    def __init__(self, address, port):
        for _ in range(100):
            try:
                self.sock = socket.create_connection((address, port), timeout=5)
                break
            except OSError:
                time.sleep(0.05)
        self.file = self.sock.makefile("rb")
        self.lock = threading.Lock()

    def send(self, line):
        with self.lock:
            self.sock.sendall((line + "\n").encode())
            return self.file.readline().decode("latin-1").strip()


def make_receipt(rng, n):
    """Lines of a random fiscal receipt and what its roll must show."""
    lines, expect = [], []
    gross = 0
    for k in range(rng.randint(1, 6)):
        name = "%s %d %d" % (rng.choice(WORDS), n, k)
        price = rng.randint(1, 5000)
        qty = rng.randint(1, 3)
        vat = rng.randint(1, 2)
        lines.append("1;%s;BUC;1;%d;%d;%d" % (name, vat, price, qty * 100000))
        expect.append(name)
        expect.append("%d BUC x %s" % (qty, money(price)))
        gross += price * qty
        r = rng.random()
        if r < 0.15:
            lines.append("7;1;0;1;%d" % rng.randint(1, 1000))  # discount on the line
        elif r < 0.2:
            lines.append("7;0;0;1;%d" % rng.randint(1, 1000))  # markup on the line
        if rng.random() < 0.2:
            text = "TEXT %d %d" % (n, k)
            lines.append("2;1;" + text)
            expect.append(text)
    if rng.random() < 0.2:
        lines.append("8")
        lines.append("7;1;1;1;%d" % rng.randint(1, 1000))
    # Non-cash parts stay below any total the discounts leave; cash pays the rest.
    left = gross // 2
    for _ in range(rng.randint(0, 2)):
        if left < 2:
            break
        form = rng.choice([3, 4, 5])
        amount = rng.randint(1, left)
        left -= amount
        lines.append("5;%d;%d" % (amount, form))
        expect.append((None, amount))
    cash = gross * 2 if rng.random() < 0.5 else ((gross * 13 // 10) // 100 + 1) * 100
    lines.append("5;%d;1" % cash)
    expect.append(("NUMERAR", cash))
    return lines, expect


def parse_documents(roll):
    """The roll split into documents (each begins with a line of '='), with
    the offset where each begins."""
    docs, cur, at = [], None, 0
    for line in roll.split("\n"):
        if line.startswith("=" * 20):
            cur = []
            docs.append((at, cur))
        elif cur is not None:
            cur.append(line)
        at += len(line) + 1
    return docs


def receipt_info(doc):
    text = "\n".join(doc)
    m = re.search(r"BON FISCAL NR\. (\d+)", text)
    if not any(l.strip() == "BON FISCAL" for l in doc[:6]):
        return None
    total = re.search(r"^TOTAL +(-?[\d.]+)$", text, re.M)
    return {
        "number": int(m.group(1)) if m else None,
        "voided": "*** BON ANULAT ***" in text,
        # Still open when the roll ends: neither printed nor voided.
        "closed": bool(m) and "*** BON ANULAT ***" not in text,
        "total": round(float(total.group(1)) * 100) if total else None,
        "lines": doc,
    }


def holds_in_order(doc, expect):
    at = 0
    for item in expect:
        while at < len(doc):
            line = doc[at]
            at += 1
            if isinstance(item, tuple):
                named = item[0] is None or line.startswith(item[0] + " ")
                if named and line.endswith(" " + money(item[1])) and not line.startswith("TOTAL"):
                    break
            elif line.strip() == item or line.strip().startswith(item + " "):
                break
        else:
            return False
    return True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--files", type=int, default=1000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--address", default="127.0.40.20")
    ap.add_argument("--fault-rate", type=float, default=0.4)
    ap.add_argument("--keep", action="store_true")
    # Every reply a little late, so that a fault armed at a random moment
    # often lands in the middle of a receipt rather than between files.
    ap.add_argument("--reply-delay-ms", type=int, default=2)
    args = ap.parse_args()
    rng = random.Random(args.seed)

    work = tempfile.mkdtemp(prefix="vorn-soak-")
    roll_path = os.path.join(work, "roll.txt")
    script = os.path.join(work, "operator-script.txt")
    with open(script, "w") as f:
        f.write("Da\n" * 200000)
    with open(os.path.join(work, "XVORNDRV.INI"), "w") as f:
        f.write("[Configurari]\r\nComunicatie=1\r\nIP=%s\r\nTratareEroareStare=1\r\nLogFile=DA\r\n"
                % args.address)
    sim = subprocess.Popen([os.path.join(args.build, "simulator/vorn-sim"), "--tcp", args.address,
                            "--control", "9101", "--roll", roll_path],
                           stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "sim.err"), "w"))
    ctl = Control(args.address, 9101)
    base_delay = "delay %d" % args.reply_delay_ms
    ctl.send(base_delay)
    env = dict(os.environ, VORNDRV_HOME=work, VORNDRV_HEADLESS="1", QT_QPA_PLATFORM="offscreen",
               VORNDRV_TIME_SCALE="0.1", VORNDRV_OPERATOR_SCRIPT=script)
    drv = subprocess.Popen([os.path.join(args.build, "app/vorndrv")], env=env,
                           stdout=subprocess.DEVNULL,
                           stderr=open(os.path.join(work, "driver.err"), "w"))
    failures, counts = [], {}

    def count(key):
        counts[key] = counts.get(key, 0) + 1

    def roll_text():
        try:
            with open(roll_path, encoding="cp1252") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def asked_printer_error():
        try:
            with open(script + ".log", encoding="cp1252") as f:
                return f.read().count("Eroare imprimanta")
        except FileNotFoundError:
            return 0

    files = []
    try:
        time.sleep(0.5)
        # The closing Z report is asked again when a fault left armed spoils it.
        for n in range(args.files + 3):
            last = n >= args.files
            r = rng.random()
            if last:
                kind, lines, expect = "z", ["15"], None
            elif r < 0.06:
                kind, lines, expect = "x", ["30"], None
            elif r < 0.12:
                amount = rng.randint(100, 50000)
                kind, lines, expect = "cash", ["25;D;%d" % amount], amount
            else:
                kind = "sale"
                lines, expect = make_receipt(rng, n)
            fault, timers = None, []
            if not last and rng.random() < args.fault_rate:
                fault = rng.choice(["nak", "silent", "cut", "chunk", "delay", "drop", "paper-out",
                                    "24h"])
            early = rng.random() < 0.3
            start = len(roll_text())

            def inject():
                if fault == "nak":
                    ctl.send("nak %d" % rng.randint(1, 3))
                elif fault == "silent":
                    ctl.send("silent on")
                    t = threading.Timer(rng.uniform(0.02, 0.8), lambda: ctl.send("silent off"))
                    t.start()
                    timers.append(t)
                elif fault == "cut":
                    ctl.send("cut %d" % rng.randint(0, 12))
                elif fault == "chunk":
                    ctl.send("chunk %d" % rng.randint(1, 7))
                elif fault == "delay":
                    ctl.send("delay %d" % rng.randint(5, 100))
                elif fault == "drop":
                    ctl.send("drop")
                elif fault == "paper-out":
                    seen = asked_printer_error()
                    ctl.send("paper-out on")

                    def reload_paper():
                        end = time.time() + 3
                        while time.time() < end and asked_printer_error() == seen:
                            time.sleep(0.005)
                        ctl.send("paper-out off")

                    t = threading.Thread(target=reload_paper)
                    t.start()
                    timers.append(t)
                elif fault == "24h":
                    ctl.send("24h on")

            if fault and early:
                inject()
            name = "ONLINE%d.TXT" % n
            part = os.path.join(work, ".part")
            with open(part, "w", encoding="cp1252", newline="") as f:
                f.write("".join(l + "\r\n" for l in lines))
            os.rename(part, os.path.join(work, name))
            if fault and not early:
                time.sleep(rng.random() ** 2 * 0.2)
                inject()
            answer_path = os.path.join(work, "ERROR%d.TXT" % n)
            deadline = time.time() + 120
            while not (os.path.exists(answer_path) and not os.path.exists(os.path.join(work, name))):
                if time.time() > deadline or drv.poll() is not None:
                    failures.append("file %d: no answer (driver %s)" %
                                    (n, "ended" if drv.poll() is not None else "running"))
                    raise SystemExit
                time.sleep(0.002)
            for t in timers:
                t.join() if isinstance(t, threading.Thread) else t.cancel()
            # A cut not yet used stays armed: no command disarms it.
            for reset in ["silent off", "paper-out off", "chunk 0", base_delay, "24h off", "nak 0"]:
                ctl.send(reset)
            with open(answer_path, encoding="cp1252") as f:
                answer = f.read()
            files.append((n, kind, lines, expect, fault, answer, start))
            count("files")
            if fault:
                count("fault " + fault)
            if last and answer.startswith("0 OK"):
                break
    except SystemExit:
        pass
    finally:
        drv.terminate()
        try:
            drv.wait(10)
        except subprocess.TimeoutExpired:
            drv.kill()
        sim.terminate()
        sim.wait(10)

    # ---- the ledger ----
    # A document belongs to the file during which it began; one left open may
    # be voided or finished while a later file runs.
    all_docs = parse_documents(roll_text())
    since_z = []  # totals of receipts answered "0 OK" since the last Z
    for i, (n, kind, lines, expect, fault, answer, start) in enumerate(files):
        end = files[i + 1][6] if i + 1 < len(files) else float("inf")
        docs = [d for at, d in all_docs if start <= at < end]
        ok = answer.startswith("0 OK")
        count("%s %s" % (kind, "ok" if ok else "error"))
        receipts = [r for r in (receipt_info(d) for d in docs) if r]
        closed = [r for r in receipts if r["closed"]]
        if any(r["voided"] for r in receipts):
            count("voided receipts")
        where = "file %d (%s, fault %s): " % (n, kind, fault)
        # A Z report in the segment (a 24-hour offer, or the closing one) closes the day so far.
        # The device asks for it before this file's receipt opens.
        zs = [d for d in docs if any("RAPORT FISCAL Z" in l for l in d)]
        for z in zs:
            text = "\n".join(z)
            zn = int(re.search(r"BONURI FISCALE +(\d+)", text).group(1))
            zt = round(float(re.search(r"TOTAL ZILNIC +([\d.]+)", text).group(1)) * 100)
            if zn != len(since_z) or zt != sum(since_z):
                failures.append(where + "Z report shows %d receipts, %s; answered 0 OK: %d, %s"
                                % (zn, money(zt), len(since_z), money(sum(since_z))))
            count("Z reports")
            since_z = []
        if kind == "sale":
            if ok:
                m = re.search(r"BON FISCAL NR\. (\d+)", answer)
                if len(closed) != 1:
                    failures.append(where + "answered 0 OK, %d closed receipts" % len(closed))
                elif not m or int(m.group(1)) != closed[0]["number"]:
                    failures.append(where + "answer names %s, roll shows %s"
                                    % (m and m.group(1), closed[0]["number"]))
                elif not holds_in_order(closed[0]["lines"], expect):
                    failures.append(where + "receipt lines differ from the file:\n  "
                                    + "\n  ".join(closed[0]["lines"]))
                else:
                    since_z.append(closed[0]["total"])
            elif closed:
                failures.append(where + "error answer but %d closed receipts: %s"
                                % (len(closed), answer.strip().replace("\r\n", " | ")))
        else:
            if closed:
                failures.append(where + "a service file closed a fiscal receipt")
            mark = {"x": "RAPORT X", "cash": "INTRODUCERE NUMERAR", "z": "RAPORT FISCAL Z"}[kind]
            shown = sum(1 for d in docs if any(mark in l for l in d))
            if kind == "cash" and ok and shown == 1:
                d = next(d for d in docs if any(mark in l for l in d))
                if not any(l.startswith("SUMA INTRODUSA") and l.endswith(money(expect)) for l in d):
                    failures.append(where + "cash in of another amount")
            want = 1 if ok else 0
            if kind == "z" and not ok:
                want = shown  # a refused Z is judged by the Z check above
            if shown != want:
                failures.append(where + "answered %s, %d documents %s on the roll"
                                % ("0 OK" if ok else "error", shown, mark))

    print("soak: %d files, seed %d, folder %s" % (len(files), args.seed, work))
    for key in sorted(counts):
        print("  %-22s %d" % (key, counts[key]))
    print("  %-22s %d" % ("ledger faults", len(failures)))
    for f in failures[:30]:
        print("FAULT " + f)
    if not args.keep and not failures:
        shutil.rmtree(work, ignore_errors=True)
    closed_day = files and files[-1][1] == "z" and files[-1][5].startswith("0 OK")
    return 1 if failures or len(files) < args.files + 1 or not closed_day else 0


if __name__ == "__main__":
    sys.exit(main())
