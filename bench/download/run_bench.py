#!/usr/bin/python3
"""Runs the download benchmark inside tests/servers/with_servers.py --tls
(nginx serving ROOT with big.bin over http and https, and the fault server)
and prints a Markdown table.

    run_bench.py --exe download_bench.exe --trust-ca trust_ca.exe --wine-run tools/wine-run --root ROOT [--runs N]

The Wine program, wineserver and nginx are pinned to CPU 0 (taskset): on
2-CPU machines unpinned Wine figures swing several times between runs. CPU
time counts the program and wineserver; for Wine programs the wall time is
the transfer as the program measured it (without Wine's start-up).
"""

import argparse
import os
import statistics
import subprocess
import time
import urllib.parse
import urllib.request

MIB = 1024 * 1024
CUT_SIZE = 64 * MIB
CUTS = 10


def proc_cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def peak_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def run(argv, wineserver_pid):
    """Runs argv pinned to CPU 0; returns (stdout, wall, cpu incl. wineserver, peak KiB)."""
    before = proc_cpu_seconds(wineserver_pid)
    start = time.monotonic()
    process = subprocess.Popen(["taskset", "-c", "0"] + argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    # The peak resident size is sampled: the child's own rusage would also
    # count the memory of this Python process it was forked from.
    peak = 0
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid:
            break
        peak = max(peak, peak_kib(process.pid))
        time.sleep(0.02)
    wall = time.monotonic() - start
    output = process.stdout.read().decode()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("%s failed: %s" % (argv, output))
    cpu = usage.ru_utime + usage.ru_stime + proc_cpu_seconds(wineserver_pid) - before
    return output, wall, cpu, peak


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--trust-ca", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    nginx_port = os.environ["WXB_NGINX_PORT"]
    fault_port = os.environ["WXB_FAULT_PORT"]
    subprocess.check_call(["taskset", "-p", "-c", "0", os.environ["WXB_NGINX_PID"]], stdout=subprocess.DEVNULL)
    size = os.path.getsize(os.path.join(args.root, "big.bin"))
    url = "http://127.0.0.1:%s/big.bin" % nginx_port
    target = "Z:" + os.path.join(args.root, "out.bin").replace("/", "\\")
    wine = [args.wine_run, args.exe]

    # One pinned, persistent wineserver for all runs; the programs attach to it.
    subprocess.call(["wineserver", "-k"], stderr=subprocess.DEVNULL)
    wineserver = subprocess.Popen(["taskset", "-c", "0", "wineserver", "-f", "-p"])
    time.sleep(1)
    subprocess.check_call([args.wine_run, "cmd.exe", "/c", "exit"], stdout=subprocess.DEVNULL)
    # The servers' test CA, trusted in the benchmark's prefix.
    ca = os.environ["WXB_TLS_CA"]
    subprocess.check_call([args.wine_run, args.trust_ca, "Z:" + ca.replace("/", "\\")])
    https_url = "https://localhost:%s/big.bin" % os.environ["WXB_NGINX_TLS_PORT"]

    variants = [
        ("CHttpDownload (Wine)", wine + ["dl", url, target]),
        ("CHttpDownload over https (Wine)", wine + ["dl", https_url, target]),
        ("(a) blocking recv loop, 10240 B (Wine)", wine + ["recv", "127.0.0.1", nginx_port, "/big.bin"]),
        ("(b) event per receive, 10240 B (Wine)", wine + ["event", "127.0.0.1", nginx_port, "/big.bin"]),
        ("(c) curl (native)", ["curl", "-s", "-o", "/dev/null", url]),
        ("(d) curl over https (native)", ["curl", "-s", "--cacert", ca, "-o", "/dev/null", https_url]),
    ]
    results = {name: [] for name, _ in variants}
    try:
        for _ in range(args.runs):
            for name, argv in variants:
                output, wall, cpu, peak = run(argv, wineserver.pid)
                if output.strip():
                    wall = float(output.split()[1])
                results[name].append((wall, cpu, peak))

        # The cut tests: 64 MiB whose connection is closed, or reset, CUTS
        # times, within one download; and closed CUTS times with each cut
        # ending the run, the next run continuing the temporary file. The
        # server counts the body bytes it handed to the network.
        cuts = []
        cut = CUT_SIZE // (CUTS + 2)
        for how in ("close", "reset", "runs"):
            cut_object = "/cuts-%s?size=%d&cut=%d&times=%d" % (how, CUT_SIZE, cut, CUTS)
            if how == "reset":
                cut_object += "&reset=1"
            url = "http://127.0.0.1:%s%s" % (fault_port, cut_object)
            mode = ["runs", url, target, str(cut), str(CUTS)] if how == "runs" else ["dl", url, target]
            run(wine + mode, wineserver.pid)
            of = "?of=" + urllib.parse.quote(cut_object, safe="")
            server = "http://127.0.0.1:%s/" % fault_port
            sent = int(urllib.request.urlopen(server + "_sent" + of).read())
            hits = int(urllib.request.urlopen(server + "_hits" + of).read())
            cuts.append((how, hits, sent - CUT_SIZE))
    finally:
        subprocess.call(["wineserver", "-k"])
        wineserver.wait()
        os.remove(os.path.join(args.root, "out.bin"))

    print("%d MiB from nginx on loopback, median of %d runs, pinned to one CPU:\n" % (size // MIB, args.runs))
    print("| variant | wall s | MiB/s | CPU s per 100 MiB | peak memory MiB |")
    print("|---|---|---|---|---|")
    for name, _ in variants:
        wall = statistics.median(r[0] for r in results[name])
        cpu = statistics.median(r[1] for r in results[name])
        peak = max(r[2] for r in results[name]) / 1024
        print("| %s | %.2f | %.0f | %.2f | %.1f |" % (name, wall, size / MIB / wall, cpu / (size / MIB / 100), peak))
    print("\n| connection cut %d times during %d MiB | requests | bytes re-transferred |" % (CUTS, CUT_SIZE // MIB))
    print("|---|---|---|")
    names = {
        "close": "server closes",
        "reset": "server resets (RST)",
        "runs": "server closes, each cut ends the run; the next run continues (If-Range)",
    }
    for how, hits, extra in cuts:
        print("| %s | %d | %d |" % (names[how], hits, extra))


if __name__ == "__main__":
    main()
