#!/usr/bin/python3
"""Times vellumark-cli merge against its peers on the same real invoices, in
one run on this machine, and prints the ratios. Run by hand, never in CI:

    tools/install-deps.sh --bench
    cmake -S . -B build -DBUILD_TESTING=ON && cmake --build build
    bench/merge/compare_merges.py [--build build] [--corpus ../shared/corpus]
                                  [--invoices 100] [--large 1000] [--pdftoppm]

The invoices are the corpus's one-page PDFs, repeated to the count asked for.
Compared, each on the same folder:
  vellumark   vellumark-cli merge FOLDER --no-split (two invoices per A4 sheet)
  pymupdf     ../shared/bench/peer_pymupdf.py raster (PyMuPDF, 300 dpi, PNG)
  mutool      mutool draw -r 300 to PNM, one process per invoice
  pdftoppm    pdftoppm -r 300 -png, one process per invoice (with --pdftoppm)
Then the large folder: vellumark's peak memory (the command and its renderer
processes together) and its time against the small folder's.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def one_page_invoices(corpus):
    found = []
    for folder, _, names in os.walk(os.path.join(corpus, "invoices")):
        for name in sorted(names):
            path = os.path.join(folder, name)
            if name.lower().endswith(".pdf"):
                pages = subprocess.run(["qpdf", "--show-npages", path], capture_output=True,
                                       text=True).stdout.strip()
                if pages == "1":
                    found.append(path)
    return sorted(found)


def invoice_folder(sources, count, parent):
    folder = tempfile.mkdtemp(prefix="invoices-", dir=parent)
    for i in range(count):
        shutil.copyfile(sources[i % len(sources)], os.path.join(folder, "%05d.pdf" % i))
    return folder


def tree_rss_kb(root_pid):
    """Resident memory of a process and all its descendants, in KB."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as stat:
                    parent = int(stat.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except OSError:
                pass
    total, todo = 0, [root_pid]
    while todo:
        pid = todo.pop()
        todo.extend(children.get(pid, []))
        try:
            with open("/proc/%d/status" % pid) as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def run(command, sample_memory=False):
    """Wall seconds, CPU seconds (user, system, the process tree) and peak KB."""
    # stderr goes to a file: a command that says a lot (a line per duplicate
    # invoice) would otherwise fill a pipe nobody reads until it ends.
    error_file = tempfile.TemporaryFile()
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=error_file)
    peak = [0]
    if sample_memory:
        def sample():
            while process.poll() is None:
                peak[0] = max(peak[0], tree_rss_kb(process.pid))
                time.sleep(0.02)
        sampler = threading.Thread(target=sample)
        sampler.start()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if sample_memory:
        sampler.join()
    error_file.seek(0)
    error = error_file.read().decode(errors="replace")
    error_file.close()
    if process.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (process.returncode, " ".join(command), error))
    return wall, usage.ru_utime, usage.ru_stime, max(peak[0], usage.ru_maxrss)


def loop(commands):
    wall = user = system = 0.0
    for command in commands:
        w, u, s, _ = run(command)
        wall, user, system = wall + w, user + u, system + s
    return wall, user, system, 0


def report(name, figures, reference=None):
    wall, user, system, peak = figures
    line = "  %-10s %7.2f s wall  %7.2f s user  %6.2f s sys  (sys %4.1f%% of CPU)" % (
        name, wall, user, system, 100 * system / max(user + system, 1e-9))
    if peak:
        line += "  peak %5d MB" % (peak // 1024)
    print(line, flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--corpus", default=os.path.join(ROOT, "..", "shared", "corpus"))
    parser.add_argument("--invoices", type=int, default=100)
    parser.add_argument("--large", type=int, default=1000)
    parser.add_argument("--pdftoppm", action="store_true")
    args = parser.parse_args()
    cli = os.path.join(args.build, "vellumark-cli")
    peer = os.path.join(args.corpus, "..", "bench", "peer_pymupdf.py")
    sources = one_page_invoices(args.corpus)
    if not sources:
        sys.exit("no one-page invoices under " + args.corpus)
    print("%d processors; %d one-page invoices of the corpus, repeated" %
          (os.cpu_count(), len(sources)))

    with tempfile.TemporaryDirectory(prefix="vellumark-bench-") as work:
        small = invoice_folder(sources, args.invoices, work)
        out = os.path.join(work, "out")
        os.mkdir(out)
        print("\n%d invoices:" % args.invoices)
        ours = run([cli, "merge", small, "--no-split", "--output", out + "/v.pdf"], True)
        report("vellumark", ours)
        pymupdf = run(["/usr/bin/python3", peer, "raster", small, out + "/p.pdf"])
        report("pymupdf", pymupdf)
        files = sorted(os.listdir(small))
        mutool = loop([["mutool", "draw", "-q", "-r", "300", "-o", out + "/m.pnm",
                        os.path.join(small, f), "1"] for f in files])
        report("mutool", mutool)
        if args.pdftoppm:
            report("pdftoppm", loop([["pdftoppm", "-r", "300", "-png", "-singlefile",
                                      os.path.join(small, f), out + "/t"] for f in files]))
        print("  vellumark / pymupdf raster  %.2f  (target <= 0.30)" % (ours[0] / pymupdf[0]))
        print("  vellumark / mutool loop     %.2f  (target <= 0.75)" % (ours[0] / mutool[0]))
        print("  vellumark system time       %.1f%% of its CPU (target <= 15%%)" %
              (100 * ours[2] / (ours[1] + ours[2])))

        shutil.rmtree(small)
        large = invoice_folder(sources, args.large, work)
        print("\n%d invoices:" % args.large)
        big = run([cli, "merge", large, "--no-split", "--output", out + "/v.pdf"], True)
        report("vellumark", big)
        print("  peak resident memory        %d MB  (target <= 300)" % (big[3] // 1024))
        print("  time / time for %d         %.2f  (target <= %.1f)" %
              (args.invoices, big[0] / ours[0], 1.05 * args.large / args.invoices))


if __name__ == "__main__":
    main()
