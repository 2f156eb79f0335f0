#!/usr/bin/env python3
"""The same receipt files through two drivers, everything they leave compared.

    scripts/differential.py OLD_VORNDRV NEW_VORNDRV [--sim VORN_SIM]

Each driver runs headless on a fresh folder against a fresh simulator (the same simulator program for
both) and gets the same files one after another, each after the same simulator faults. Compared: the
answer files byte for byte, the paper roll, the commands the device received, the operator's questions,
the driver's processing and device traffic logs and its own lines (times, dates and folder names masked).
Exit status 0 when the two runs leave the same, 1 with the first differences otherwise. A refactor of the
driver's inside must pass it against the driver before.
"""
import argparse
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soak import Control  # noqa: E402

SALE = "1;APA;BUC;1;1;250;100000"
PAY = "5;250;1"

# (name, simulator faults set first, lines): every receipt command, the answers that carry values,
# refusals by the checks and by the device, retries and the questions they ask.
CASES = [
    ("SALE", [], ["1;PAINE ALBA;BUC;1;1;350;200000", "1;LAPTE 1.5%;L;1;2;799;100000",
                  "7;1;0;1;1000", "1;MERE IONATAN;KG;2;2;549;1250000", "2;1;CLIENT FIDEL NR. 4471",
                  "5;10000;1", "12;1;VA MULTUMIM PENTRU CUMPARATURI!"]),
    ("STORNO", [], [SALE, SALE, "1;APA;BUC;1;1;250;-100000", PAY]),
    ("PAYS", [], [SALE, "5;100;2", "5;1000;1"]),
    ("TEXTS", [], [SALE, "2;1;TEXT", "2;5;" + "X" * 22, "11;B;RO123", "111;1;ALT", PAY,
                   "12;1;MULTUMIM"]),
    ("DISCOUNTS", [], [SALE, "7;1;1;1;1000", "7;0;0;1;0;500;1", "8", PAY]),
    ("PACKAGING", [], [SALE, "100;500;1", "101;500;8", PAY]),
    ("OPERATOR", [], ["31;5", SALE, PAY]),
    ("DISPLAY", [], ["10;HELLO"]),
    ("BARCODE", [], [SALE, PAY, "16;1;0;1;123"]),
    ("NONFISCAL", [], ["20", "21;1;A", "21;2;PROGRAM", "21;1"]),
    ("CASHIN", [], ["25;D;10000"]),
    ("CASHOUT", [], ["25;R;500"]),
    ("DRAWER", [], ["25;P;1"]),
    ("SERIES", [], ["24"]),
    ("TOTALIZER", [], ["27;32"]),
    ("TOTALIZERS", [], ["28;1;2;3"]),
    ("DAILY", [], ["17"]),
    ("XREPORT", [], ["30"]),
    ("DEPARTMENTS", [], ["32"]),
    ("MFNUMBERS", [], ["18;1;1;2"]),
    ("MFDATES", [], ["19;2;1;3;24;31;3;24"]),
    ("JZ", [], ["76;1;2"]),
    ("JLINE", [], ["78;1"]),
    ("JZRECEIPT", [], ["79;1;1;9999"]),
    ("JDATES", [], ["81;1;1;24;31;12;24"]),
    ("JDATERECEIPT", [], ["82;1;1;24;1;5"]),
    ("TYPEDX", [], ["103;14"]),
    ("BEEP", [], ["116;2;3"]),
    ("INFO", [], ["105;x", "200;y"]),
    ("CLOCK", [], ["42;290224;2359"]),
    ("VAT", [], ["201;19;9;5;0;0;99"]),
    ("STATE", [], ["9999;z"]),
    ("EXPORT", ["export-size 3000", "export-delay 0"], ["416;2024;1;X"]),
    ("BADLINE", [], [SALE, "5;25x;1"]),
    ("TWOREPORTS", [], ["30", "14"]),
    ("NAK", ["nak 2"], [SALE, PAY]),
    ("CUTREPLY", ["cut 4"], [SALE, PAY]),
    ("CHUNKS", ["chunk 3"], [SALE, PAY]),
    ("UNCHUNK", ["chunk 0"], ["24"]),
    ("PAPERONCE", ["refuse 16"], [SALE, PAY]),
    ("REFUSED", ["refuse 30"], [SALE, PAY]),
    ("EXTENDED", ["refuse 99 144"], [SALE, PAY]),
    ("NEARFULL", ["journal-near-full on", "paper-near-end on", "journal-free-lines 120"],
     [SALE, PAY]),
    ("CLEARED", ["journal-near-full off", "paper-near-end off", "journal-free-lines -1"],
     [SALE, PAY]),
    ("LEFTOPEN", ["receipt-open 3"], [SALE, PAY]),
    ("NONFISCALOPEN", ["receipt-open nonfiscal"], [SALE, PAY]),
    ("FINISH", ["receipt-open 4"], ["0"]),
    ("CANCEL", ["receipt-open 2"], ["14"]),
    ("DAY", ["24h on"], [SALE, PAY]),
    ("Z", [], ["15"]),
    ("AFTERZ", [], [SALE, PAY]),
]

MASKS = [
    (re.compile(r"\d{2}:\d{2}:\d{2}([:.]\d{3})?"), "hh:mm:ss"),
    (re.compile(r"\b\d{2}:\d{2}\b"), "hh:mm"),
    (re.compile(r"\b\d{2}[-./]\d{2}[-./]\d{2,4}\b"), "dd-mm-yy"),
    (re.compile(r"\b\d{4}-\d{2}-\d{2}\b"), "yyyy-mm-dd"),
    (re.compile(r"\b20\d{12}\b"), "yyyymmddhhmmss"),
    (re.compile(r"\d{4}_\d{2}_\d{2}_\d{2}_\d{2}_\d{2}"), "yyyy_mm_dd_hh_mm_ss"),
    (re.compile(r"\b\d+(\.\d+)? ?ms\b"), "N ms"),
]


# How often the link polls the status (1010) while a long report keeps the device busy depends on
# the time the report takes: a run of polls counts as one.
POLL_RUNS = [
    re.compile(r"(hh:mm:ss-Calculator : 02 30 30 30 31 30 31 30 33 38 03 \n"
               r"hh:mm:ss-Ecr        : [^\n]*\n)\1+"),
    re.compile(r"(?m)^(1010\n)\1+"),
]


def mask(text, work):
    text = text.replace(work, "WORK")
    for pattern, what in MASKS:
        text = pattern.sub(what, text)
    for pattern in POLL_RUNS:
        text = pattern.sub(r"\1", text)
    return text


def wait_until(check, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if check():
            return True
        time.sleep(0.02)
    return False


def run(driver, sim_program, address, keep):
    """Runs every case through one driver; returns {artifact name: text}."""
    work = tempfile.mkdtemp(prefix="vorn-diff-")
    script = os.path.join(work, "operator-script.txt")
    with open(script, "w") as f:
        f.write("Da\n" * 1000)
    with open(os.path.join(work, "XVORNDRV.INI"), "w") as f:
        f.write("[Configurari]\r\nComunicatie=1\r\nIP=%s\r\nTratareEroareStare=1\r\nLogFile=DA\r\n"
                % address)
    roll = os.path.join(work, "roll.txt")
    sim = subprocess.Popen([sim_program, "--tcp", address, "--control", "9101", "--roll", roll],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, VORNDRV_HOME=work, VORNDRV_HEADLESS="1", QT_QPA_PLATFORM="offscreen",
               VORNDRV_TIME_SCALE="0.1", VORNDRV_OPERATOR_SCRIPT=script)
    err = open(os.path.join(work, "driver.err"), "w")
    drv = None
    out = {}
    try:
        ctl = Control(address, 9101)
        drv = subprocess.Popen([driver], env=env, stdout=subprocess.DEVNULL, stderr=err)
        for name, faults, lines in CASES:
            for fault in faults:
                ctl.send(fault)
            part = os.path.join(work, ".part")
            with open(part, "w", encoding="cp1252", newline="") as f:
                f.write("".join(line + "\r\n" for line in lines))
            os.rename(part, os.path.join(work, "ONLINE%s.TXT" % name))
            answer = os.path.join(work, "ERROR%s.TXT" % name)
            if not wait_until(lambda: os.path.exists(answer)
                              and not os.path.exists(os.path.join(work, "ONLINE%s.TXT" % name)), 60):
                out["answer " + name] = "(no answer within 60 s)"
                break
            with open(answer, "rb") as f:
                out["answer " + name] = f.read().decode("cp1252")
        with open(roll, encoding="cp1252") as f:
            out["roll"] = f.read()
        # The log's lines, then a word whose one-line answer marks their end.
        ctl.sock.sendall(b"log\nheld\n")
        commands = []
        while True:
            line = ctl.file.readline().decode("latin-1").rstrip("\n")
            if not line or line == "NONE" or line.startswith("HELD "):
                break
            commands.append(line)
        out["device commands"] = "".join(c + "\n" for c in commands)
    finally:
        if drv:
            drv.terminate()
            drv.wait(60)
        sim.terminate()
        sim.wait(10)
        err.close()
    out["driver lines"] = open(os.path.join(work, "driver.err"), encoding="latin-1").read()
    if os.path.exists(script + ".log"):
        out["questions"] = open(script + ".log", encoding="cp1252").read()
    for folder in ("Log", "History"):
        base = os.path.join(work, folder)
        for root, _, files in os.walk(base):
            for file in sorted(files):
                path = os.path.join(root, file)
                key = "%s/%s" % (folder, mask(os.path.relpath(path, base), work))
                with open(path, encoding="latin-1") as f:
                    out[key] = out.get(key, "") + f.read()
    out = {k: mask(v, work) for k, v in out.items()}
    if keep:
        print("kept:", work)
    else:
        shutil.rmtree(work, ignore_errors=True)
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("old")
    ap.add_argument("new")
    ap.add_argument("--sim", help="the simulator program (default: beside the new driver's tree)")
    ap.add_argument("--address", default="127.0.41.30")
    ap.add_argument("--keep", action="store_true")
    args = ap.parse_args()
    sim = args.sim or os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(args.new))),
                                   "simulator", "vorn-sim")
    old = run(os.path.abspath(args.old), sim, args.address, args.keep)
    new = run(os.path.abspath(args.new), sim, args.address, args.keep)
    differing = 0
    for key in sorted(set(old) | set(new)):
        a, b = old.get(key), new.get(key)
        if a == b:
            continue
        differing += 1
        print("differs: %s" % key)
        if a is None or b is None:
            print("  only in the %s run" % ("new" if a is None else "old"))
            continue
        for line in list(difflib.unified_diff(a.splitlines(), b.splitlines(), "old", "new",
                                              lineterm="", n=1))[:40]:
            print("  " + line)
    answers = sum(1 for k in old if k.startswith("answer "))
    print("differential: %d receipt files, %d artifacts compared, %d differ"
          % (answers, len(set(old) | set(new)), differing))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
