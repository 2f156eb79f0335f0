"""Small helpers the measuring and load scripts share."""
import socket
import sys
import time


def rss_mb(pid):
    """Resident memory of a process, in MB."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def wait_port(address, port, limit=10.0):
    """Returns once something accepts on address:port; ends the script after limit seconds."""
    end = time.time() + limit
    while time.time() < end:
        try:
            socket.create_connection((address, port), 0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    sys.exit(f"nothing listens on {address}:{port}")
