#!/usr/bin/python3
"""Floods the desktop program with SIGTERM while it opens a large project.

Usage: SignalFlood.py PROGRAM [PAGES]
Starts PROGRAM on the offscreen platform with a generated project of PAGES pages, waits until
its termination handler is installed, sends 2,000 SIGTERMs within 2 seconds while the project
opens, and expects the program to close its window and end with exit code 0 on its own: no
deadlock, and no signal that ends it by the default action. Exits 1 on failure.
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

SIGNALS = 2000
SPREAD = 2.0
LIMIT = 60.0


def write_project(path, pages):
    text = 'Tomatoes need sun, water and patience. ' * 20
    with open(path, 'w', encoding='ascii', newline='') as out:
        out.write('object TSiteGenerator\r\n  Pages = <')
        for i in range(pages):
            out.write("\r\n    item\r\n      PageText = '%s'#13#10\r\n"
                      "      PageTitle = 'Page %d'\r\n      PageUrl = 'page%d.html'\r\n    end"
                      % (text, i, i))
        out.write(">\r\n  SiteTitle = 'Garden'\r\n  MaxCharsPerPage = 5000\r\n"
                  "  MinCharsPerPage = 4000\r\n  Changed = False\r\nend\r\n")


def handler_installed(pid):
    """Whether the process catches SIGTERM, from its status in /proc."""
    try:
        with open('/proc/%d/status' % pid) as status:
            for line in status:
                if line.startswith('SigCgt:'):
                    return int(line.split()[1], 16) & (1 << (signal.SIGTERM - 1)) != 0
    except OSError:
        pass
    return False


def main():
    program = sys.argv[1]
    pages = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    with tempfile.TemporaryDirectory() as folder:
        project = os.path.join(folder, 'large.sgp')
        write_project(project, pages)
        env = dict(os.environ, QT_QPA_PLATFORM='offscreen', TMPDIR=folder,
                   XDG_RUNTIME_DIR=folder, XDG_CONFIG_HOME=folder, XDG_CACHE_HOME=folder)
        child = subprocess.Popen([program, project], env=env)
        started = time.monotonic()
        while not handler_installed(child.pid):
            if child.poll() is not None or time.monotonic() - started > LIMIT:
                print('the program ended or hung before it handled termination requests')
                child.kill()
                return 1
            time.sleep(0.01)

        sent = 0
        flood_start = time.monotonic()
        while sent < SIGNALS:
            try:
                os.kill(child.pid, signal.SIGTERM)
            except ProcessLookupError:
                break
            sent += 1
            # Spread evenly over the two seconds.
            wait = flood_start + SPREAD * sent / SIGNALS - time.monotonic()
            if wait > 0:
                time.sleep(wait)
        flood = time.monotonic() - flood_start

        try:
            status = child.wait(timeout=LIMIT)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
            print('the program did not end within %d s of %d SIGTERMs' % (LIMIT, sent))
            return 1
        print('%d SIGTERMs in %.2f s; the program ended %.2f s after the first with exit code %d'
              % (sent, flood, time.monotonic() - flood_start, status))
        if status != 0:
            print('the program did not end through its usual way out')
            return 1
        if sent < SIGNALS // 2:
            print('the program ended before the flood was under way: the project was too small')
            return 1
        return 0


if __name__ == '__main__':
    sys.exit(main())
