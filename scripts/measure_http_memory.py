#!/usr/bin/env python3
"""Resident memory of the driver while many clients send large bodies to its
HTTP front at once, and after they have gone. Starts vorn-sim and vorndrv on a
scratch folder. Usage: measure_http_memory.py [build dir] [connections ...]"""
import os
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vornproc import rss_mb, wait_port  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
rounds = [int(n) for n in sys.argv[2:]] or [45, 200]
address = "127.0.70.21"
MB = 1024 * 1024


def one_round(pid, count, token):
    """count clients each send 1 MB of a declared 1 MB body (all but its last
    byte) and hold; returns (peak MB, refused count, MB once they have gone)."""
    head = (f"POST /receipts HTTP/1.1\r\nHost: localhost\r\nContent-Type: text/plain\r\n"
            f"Authorization: Bearer {token}\r\nContent-Length: {MB}\r\n\r\n").encode()
    body = b"2;" + b"A" * (MB - 3)
    socks, peak = [], rss_mb(pid)
    for _ in range(count):
        s = socket.create_connection((address, 9180), 5)
        s.setblocking(False)
        socks.append([s, head + body, b""])
    end = time.time() + 20
    while time.time() < end and any(p for _, p, _ in socks):
        for entry in socks:
            s, pending, _ = entry
            if pending:
                try:
                    entry[1] = pending[s.send(pending[:256 * 1024]):]
                except (BlockingIOError, InterruptedError):
                    pass
                except OSError:
                    entry[1] = b""
            try:
                entry[2] += s.recv(4096)
            except (BlockingIOError, InterruptedError, OSError):
                pass
        peak = max(peak, rss_mb(pid))
    time.sleep(0.5)
    for entry in socks:
        try:
            entry[2] += entry[0].recv(4096)
        except OSError:
            pass
    peak = max(peak, rss_mb(pid))
    refused = sum(1 for _, _, r in socks if r.startswith(b"HTTP/1.1 503"))
    for s, _, _ in socks:
        s.close()
    time.sleep(1.5)
    return peak, refused, rss_mb(pid)


def main():
    work = tempfile.mkdtemp()
    sim = subprocess.Popen([f"{build}/simulator/vorn-sim", "--tcp", address, "--roll",
                            f"{work}/roll.txt"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    with open(f"{work}/XVORNDRV.INI", "wb") as f:
        f.write(f"[Configurari]\r\nComunicatie=1\r\nIP={address}\r\n[ServerHTTP]\r\n"
                f"Activ=DA\r\nAdresa={address}\r\nSecundeCorp=60\r\n".encode())
    env = dict(os.environ, VORNDRV_HOME=work, VORNDRV_HEADLESS="1")
    drv = subprocess.Popen([f"{build}/app/vorndrv"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        wait_port(address, 9180)
        # No Cheie: the clients send the token the driver keeps in its folder.
        with open(f"{work}/VORNHTTP.KEY") as f:
            token = f.read().strip()
        time.sleep(1)
        print(f"idle: {rss_mb(drv.pid):.0f} MB")
        for count in rounds:
            peak, refused, after = one_round(drv.pid, count, token)
            print(f"{count} clients with 1 MB bodies: peak {peak:.0f} MB, {refused} refused "
                  f"with 503, {after:.0f} MB once they had gone")
    finally:
        drv.terminate()
        drv.wait(10)
        sim.terminate()
        sim.wait(10)


main()
