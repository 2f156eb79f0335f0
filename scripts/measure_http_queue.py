#!/usr/bin/env python3
"""The HTTP front under a flood of well-formed receipts: how many a burst of
300 gets queued, how many of its receipt files are in the folder at once, how
long a receipt file dropped behind the burst waits for its answer; then 40
receipts of a 1 MB unknown line (each answer quotes it): the store's size and
the driver's memory; then how long a restart takes to answer /status. Starts
vorn-sim and vorndrv on a scratch folder.
Usage: measure_http_queue.py [build dir]"""
import http.client
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vornproc import rss_mb  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
address = "127.0.71.23"
token = "masurare"
auth = {"Authorization": "Bearer " + token, "Content-Type": "text/plain"}


def free_port():
    s = socket.socket()
    s.bind((address, 0))
    port = s.getsockname()[1]
    s.close()
    return port


def call(port, method, path, body=None, timeout=150):
    c = http.client.HTTPConnection(address, port, timeout=timeout)
    c.request(method, path, body=body, headers=auth)
    r = c.getresponse()
    data = r.read()
    c.close()
    return r.status, data


def main():
    work = tempfile.mkdtemp()
    port = free_port()
    sim = subprocess.Popen([f"{build}/simulator/vorn-sim", "--tcp", address, "--roll",
                            f"{work}/roll.txt"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    with open(f"{work}/XVORNDRV.INI", "wb") as f:
        f.write(f"[Configurari]\r\nComunicatie=1\r\nIP={address}\r\n[ServerHTTP]\r\n"
                f"Activ=DA\r\nAdresa={address}\r\nPort={port}\r\nCheie={token}\r\n".encode())
    env = dict(os.environ, VORNDRV_HOME=work, VORNDRV_HEADLESS="1")

    def start():
        t0 = time.time()
        p = subprocess.Popen([f"{build}/app/vorndrv"], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        while True:
            try:
                if call(port, "GET", "/status", timeout=2)[0] == 200:
                    return p, time.time() - t0
            except OSError:
                time.sleep(0.01)
            if time.time() - t0 > 30:
                sys.exit("the driver did not answer /status")

    drv, first = start()
    try:
        time.sleep(1)
        c = http.client.HTTPConnection(address, port, timeout=30)
        statuses = []
        for i in range(300):
            c.request("POST", "/receipts?wait=0",
                      body=f"1;HTTP {i};BUC;1;1;100;100000\r\n5;100;1\r\n".encode(), headers=auth)
            r = c.getresponse()
            r.read()
            statuses.append(r.status)
        c.close()
        with open(f"{work}/ONLINEPOS1.TXT.tmp", "wb") as f:
            f.write(b"1;DIN POS;BUC;1;1;100;100000\r\n5;100;1\r\n")
        os.rename(f"{work}/ONLINEPOS1.TXT.tmp", f"{work}/ONLINEPOS1.TXT")
        t0, most, waited = time.time(), 0, None
        while True:
            names = os.listdir(work)
            most = max(most, sum(n.startswith("ONLINEH") for n in names))
            if waited is None and "ERRORPOS1.TXT" in names and "ONLINEPOS1.TXT" not in names:
                waited = time.time() - t0
            if waited is not None and not any(n.startswith("ONLINEH") for n in names) and \
                    not os.listdir(f"{work}/HTTPCOADA"):
                break
            time.sleep(0.01)
        print(f"300 POST /receipts?wait=0: {statuses.count(202)} queued (202), "
              f"{statuses.count(503)} refused (503); at most {most} of them in the folder at once; "
              f"a file dropped after them answered in {waited:.2f} s "
              f"(the queue drained in {time.time() - t0:.1f} s)")

        peak = rss_mb(drv.pid)
        line = b"900;" + b"X" * 1000000 + b"\r\n"
        for _ in range(40):
            status, _ = call(port, "POST", "/receipts", line)
            peak = max(peak, rss_mb(drv.pid))
            assert status == 200, status
        time.sleep(0.5)
        size = os.path.getsize(f"{work}/VORNHTTP.DAT")
        print(f"40 receipts of a 1 MB unknown line: VORNHTTP.DAT {size / 1048576:.1f} MB, "
              f"memory peak {peak:.0f} MB, {rss_mb(drv.pid):.0f} MB after")
        drv.terminate()
        drv.wait(30)
        drv, took = start()
        print(f"restart: /status answered {took:.2f} s after the start (first start, empty "
              f"folder: {first:.2f} s), at {rss_mb(drv.pid):.0f} MB")
    finally:
        drv.terminate()
        drv.wait(30)
        sim.terminate()
        sim.wait(10)
        shutil.rmtree(work, ignore_errors=True)


main()
