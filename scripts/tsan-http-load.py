#!/usr/bin/env python3
"""The driver's HTTP front under load, for the ThreadSanitizer step of scripts/test.sh: vorn-sim and
vorndrv from a build on a scratch folder; 20 clients post a sale each at once, 5 more leave while
theirs waits, two send theirs again under the same key; then the driver is stopped. Exit 0 when every
client that stayed got 200 with its own receipt number, each sale is on the roll once and the driver
ended cleanly (a sanitizer report makes it fail). Usage: tsan-http-load.py BUILD_DIR"""
import concurrent.futures
import http.client
import json
import os
import random
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vornproc import wait_port  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build-tsan"


def free_address():
    start = random.randrange(240)
    for i in range(240):
        candidate = f"127.0.71.{10 + (start + i) % 240}"
        try:
            for port in (9100, 9101, 9180):
                with socket.socket() as s:
                    s.bind((candidate, port))
            return candidate
        except OSError:
            continue
    sys.exit("no 127.0.71.x with ports 9100, 9101 and 9180 free")


address = free_address()
token = ""  # no Cheie: the clients send the token the driver keeps in its folder


def body(i):
    return f"1;ARTICOL {100 + i};BUC;1;1;100;100000\r\n5;100;1\r\n".encode("cp1252")


def post(i, key=None):
    conn = http.client.HTTPConnection(address, 9180, timeout=240)
    headers = {"Content-Type": "text/plain", "Authorization": f"Bearer {token}"}
    if key:
        headers["Idempotency-Key"] = key
    conn.request("POST", "/receipts", body(i), headers)
    r = conn.getresponse()
    data = r.read().decode("utf-8", "replace")
    conn.close()
    return r.status, data


def leave(i):
    s = socket.create_connection((address, 9180), 5)
    b = body(i)
    s.sendall(b"POST /receipts HTTP/1.1\r\nHost: localhost\r\nContent-Type: text/plain\r\n"
              b"Authorization: Bearer %s\r\nIdempotency-Key: leaving-%d\r\nContent-Length: %d\r\n\r\n"
              % (token.encode(), i, len(b)) + b)
    time.sleep(0.2)
    s.close()


def main():
    global token
    work = tempfile.mkdtemp(prefix="vorn-tsan-http-")
    roll = f"{work}/roll.txt"
    sim = subprocess.Popen([f"{build}/simulator/vorn-sim", "--tcp", address, "--roll", roll],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(f"{work}/XVORNDRV.INI", "wb") as f:
        f.write(f"[Configurari]\r\nComunicatie=1\r\nIP={address}\r\n[ServerHTTP]\r\n"
                f"Activ=DA\r\nAdresa={address}\r\n".encode())
    env = dict(os.environ, VORNDRV_HOME=work, VORNDRV_HEADLESS="1")
    log = open(f"{work}/vorndrv.log", "wb")
    drv = subprocess.Popen([f"{build}/app/vorndrv"], env=env, stdout=log, stderr=subprocess.STDOUT)
    failures = []
    try:
        wait_port(address, 9180, 60.0)
        with open(f"{work}/VORNHTTP.KEY") as f:
            token = f.read().strip()
        with concurrent.futures.ThreadPoolExecutor(max_workers=32) as pool:
            stayed = {i: pool.submit(post, i) for i in range(20)}
            keyed = {i: pool.submit(post, i, f"key-{i}") for i in range(20, 22)}
            for f in [pool.submit(leave, i) for i in range(30, 35)]:
                f.result()
            answers = {i: f.result() for i, f in {**stayed, **keyed}.items()}
            again = {i: pool.submit(post, i, f"key-{i}").result() for i in keyed}
        numbers = set()
        for i, (status, data) in answers.items():
            try:
                reply = json.loads(data)
            except ValueError:
                reply = {}
            if status != 200 or reply.get("ok") is not True:
                failures.append(f"client {i}: {status} {data}")
            numbers.add(reply.get("receiptNumber"))
        if len(numbers) != len(answers):
            failures.append(f"{len(numbers)} receipt numbers for {len(answers)} receipts")
        for i, answer in again.items():
            if answer != answers[i]:
                failures.append(f"client {i} again: {answer} instead of {answers[i]}")
        # The leavers' receipts still print; wait for them before stopping.
        end = time.time() + 120
        while time.time() < end:
            text = open(roll, encoding="cp1252", errors="replace").read() if os.path.exists(roll) else ""
            if all(text.count(f"ARTICOL {100 + i}") >= 1 for i in list(range(22)) + list(range(30, 35))):
                break
            time.sleep(0.5)
        text = open(roll, encoding="cp1252", errors="replace").read()
        for i in list(range(22)) + list(range(30, 35)):
            n = text.count(f"ARTICOL {100 + i}")
            if n != 1:
                failures.append(f"ARTICOL {100 + i} is {n} times on the roll")
    finally:
        drv.send_signal(signal.SIGTERM)
        try:
            code = drv.wait(60)
        except subprocess.TimeoutExpired:
            drv.kill()
            code = drv.wait()
        sim.terminate()
        sim.wait(10)
        log.close()
    if code != 0:
        failures.append(f"vorndrv ended with {code}")
    if failures:
        sys.stdout.write(open(f"{work}/vorndrv.log", encoding="utf-8", errors="replace").read())
        print("\n".join(failures))
        sys.exit(1)
    print(f"tsan-http-load: 27 receipts over HTTP, each printed once, driver ended cleanly")


main()
