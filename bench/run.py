#!/usr/bin/python3
"""Times Velaria's real batch run against its peers on the benchmark pictures.

Usage: bench/run.py BUILD_DIR CORPUS [--runs N] [--rounds N] [--set FOLDER]...

Every tool converts the same pictures to 1024 pixels wide, JPEG quality 90, progressive. Each is
run N times (at least 3); the table gives the median wall time, the CPU time (user + system) and
the peak resident memory of that median run, and each tool's wall time as a multiple of
Velaria's. Then the quality of each output is checked (quality.py), and memory on a folder of
500 pictures. Then each set of the photos people have now (CAMERA_SETS, made beside the corpus by
bench/make_corpus.sh) is timed against vipsthumbnail and the two-process TurboJPEG loop, in rounds
of its own. Last, for CORPUS, each camera set and each further --set, one block (report_set):
Velaria against the loop that writes the same (the two-process 4:4:4 TurboJPEG pipeline) in
interleaved rounds, wall and CPU as same-round ratios, PSNR next to vipsthumbnail's, and the
outputs' sizes.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import quality  # noqa: E402


def measure(commands, must_succeed=True):
    """Runs the commands at once; wall seconds, CPU seconds and peak memory (MiB, summed)."""
    start = time.monotonic()
    processes = [subprocess.Popen(c, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                 for c in commands]
    cpu = 0.0
    peak = 0.0
    for process in processes:
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        errors = process.stderr.read().decode(errors="replace")
        if must_succeed and process.returncode != 0:
            sys.exit(f"failed ({process.returncode}): {' '.join(process.args[:3])} ...\n{errors}")
        cpu += usage.ru_utime + usage.ru_stime
        peak += usage.ru_maxrss / 1024.0
    return time.monotonic() - start, cpu, peak


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def pictures_of(folder):
    return sorted(os.path.join(folder, n) for n in os.listdir(folder) if not n.startswith("."))


def jpeg_bytes(folder):
    return sum(os.path.getsize(os.path.join(folder, n)) for n in os.listdir(folder)
               if n.endswith(".jpg"))


def report_set(build, corpus, rounds=5, name=None):
    """One set of pictures: Velaria against the loop writing the same (two processes, 4:4:4),
    in rounds that alternate which goes first, so that whatever else the machine does weighs on
    both alike; wall and CPU as the median of the rounds' ratios. Then PSNR against the Lanczos
    reference next to vipsthumbnail's (quality.py), and the outputs' sizes. Prints one block and
    returns its figures."""
    corpus = os.path.abspath(corpus)
    name = name or os.path.basename(corpus.rstrip("/"))
    pictures = pictures_of(corpus)
    work = tempfile.mkdtemp(prefix="velaria-set-")
    velaria, loop, vips = (os.path.join(work, n) for n in ("velaria", "loop", "vips"))
    bench = os.path.join(build, "bench", "velaria_bench")
    pipeline = os.path.join(build, "bench", "turbojpeg_pipeline")
    run_velaria = lambda: measure([[bench, corpus, fresh(velaria)]])
    run_loop = lambda: measure([[pipeline, "--444", fresh(loop)] + pictures[0::2],
                                [pipeline, "--444", loop] + pictures[1::2]])
    walls, cpus = [], []
    for round_ in range(max(1, rounds)):
        if round_ % 2 == 0:
            ours, theirs = run_velaria(), run_loop()
        else:
            theirs, ours = run_loop(), run_velaria()
        walls.append(ours[0] / theirs[0])
        cpus.append(ours[1] / theirs[1])
    vips_wall, _, _ = measure([["vipsthumbnail", "-s", "1024x", "-o",
                                os.path.join(fresh(vips), "%s.jpg[Q=90,interlace]")] + pictures])
    outputs = os.path.join(velaria, "DestinoJPG")
    rows = quality.compare(corpus, outputs, vips) or []
    figures = {
        "wall": statistics.median(walls), "cpu": statistics.median(cpus),
        "psnr": sum(r[1] for r in rows) / len(rows) if rows else float("nan"),
        "psnr_vips": sum(r[2] for r in rows) / len(rows) if rows else float("nan"),
        "size_loop": jpeg_bytes(outputs) / jpeg_bytes(loop),
        "size_vips": jpeg_bytes(outputs) / jpeg_bytes(vips),
    }
    print(f"\n{name}: {len(pictures)} pictures, {len(walls)} interleaved rounds against the "
          "two-process 4:4:4 loop")
    print(f"  wall {figures['wall']:.2f} x the loop (rounds: "
          + ", ".join(f"{w:.2f}" for w in walls) + f"); CPU {figures['cpu']:.2f} x (rounds: "
          + ", ".join(f"{c:.2f}" for c in cpus) + f"); vipsthumbnail took {vips_wall:.2f} s")
    print(f"  PSNR against the Lanczos reference: Velaria {figures['psnr']:.2f} dB, "
          f"vipsthumbnail {figures['psnr_vips']:.2f} dB "
          f"({figures['psnr'] - figures['psnr_vips']:+.2f} dB)")
    print(f"  outputs: {jpeg_bytes(outputs) / 1e6:.1f} MB, {figures['size_loop']:.3f} x the "
          f"loop's, {figures['size_vips']:.3f} x vipsthumbnail's")
    goals = [("wall <= 0.9 x the loop", figures["wall"] <= 0.9),
             ("CPU <= 0.9 x the loop", figures["cpu"] <= 0.9),
             ("PSNR >= vipsthumbnail's", figures["psnr"] >= figures["psnr_vips"]),
             ("outputs <= 1.05 x vipsthumbnail's", figures["size_vips"] <= 1.05)]
    print("  Goals: " + "; ".join(f"{g} {'yes' if ok else 'NO'}" for g, ok in goals))
    shutil.rmtree(work, ignore_errors=True)
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("corpus")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sets-only", action="store_true",
                        help="time only the sets of photos people have")
    parser.add_argument("--rounds", type=int, default=6)
    parser.add_argument("--set", action="append", default=[], dest="sets")
    args = parser.parse_args()
    runs = max(3, args.runs)
    build = os.path.abspath(args.build)
    corpus = os.path.abspath(args.corpus)
    if args.sets_only:
        camera_sets(build, corpus, runs)
        for folder in camera_folders(corpus) + args.sets:
            report_set(build, folder, args.rounds)
        return 0
    pictures = pictures_of(corpus)
    count = len(pictures)
    tagged = corpus.rstrip("/") + "-p3"
    work = tempfile.mkdtemp(prefix="velaria-bench-")
    bench = os.path.join(build, "bench", "velaria_bench")
    pipeline = os.path.join(build, "bench", "turbojpeg_pipeline")
    out = {name: os.path.join(work, name) for name in
           ("velaria", "velaria_bmp", "velaria_p3", "vips", "mogrify", "turbo1", "turbo2", "turbo444")}

    tools = [
        ("Velaria (JPG)", lambda: [[bench, corpus, fresh(out["velaria"])]]),
        ("Velaria (BMP)", lambda: [[bench, corpus, fresh(out["velaria_bmp"]), "--bmp"]]),
        # The same photos tagged Display P3 (bench/make_corpus.sh), converted to sRGB.
        *([("Velaria (JPG), photos tagged P3", lambda: [[bench, tagged, fresh(out["velaria_p3"])]])]
          if os.path.isdir(tagged) else []),
        ("vipsthumbnail -s 1024x", lambda: [[
            "vipsthumbnail", "-s", "1024x",
            "-o", os.path.join(fresh(out["vips"]), "%s.jpg[Q=90,interlace]")] + pictures]),
        ("mogrify -resize 1024x", lambda: [[
            "mogrify", "-path", fresh(out["mogrify"]), "-format", "jpg", "-resize", "1024x",
            "-quality", "90", "-interlace", "JPEG"] + pictures]),
        ("TurboJPEG pipeline, 1 process", lambda: [[pipeline, fresh(out["turbo1"])] + pictures]),
        ("TurboJPEG pipeline, 2 processes", lambda: [
            [pipeline, fresh(out["turbo2"])] + pictures[0::2],
            [pipeline, out["turbo2"]] + pictures[1::2]]),
        # The same loop writing what Velaria writes at quality 90: the colour kept whole.
        ("TurboJPEG pipeline 4:4:4, 2 processes", lambda: [
            [pipeline, "--444", fresh(out["turbo444"])] + pictures[0::2],
            [pipeline, "--444", out["turbo444"]] + pictures[1::2]]),
    ]
    # Round by round, every tool once per round, so that whatever else the machine does at the
    # time weighs on all of them alike.
    samples = {name: [] for name, _ in tools}
    for _ in range(runs):
        for name, commands in tools:
            samples[name].append(measure(commands()))
    results = {}
    best = {}
    for name, taken in samples.items():
        taken.sort(key=lambda s: s[0])
        results[name] = taken[len(taken) // 2]
        best[name] = taken[0][0]
        print(f"  {name}: " + ", ".join(f"{s[0]:.2f}" for s in taken) + " s", file=sys.stderr)

    velaria = results["Velaria (JPG)"][0]
    print(f"\n{count} pictures to 1024 pixels wide, quality 90, progressive; "
          f"median of {runs} runs on {os.cpu_count()} cores\n")
    print(f"| {'tool':<37} | wall s | best s | pictures/s | CPU s | peak MiB | x Velaria |")
    print(f"|{'-' * 39}|-------:|-------:|-----------:|------:|---------:|----------:|")
    for name, (wall, cpu, peak) in results.items():
        print(f"| {name:<37} | {wall:6.2f} | {best[name]:6.2f} | {count / wall:10.1f} | "
              f"{cpu:5.2f} | {peak:8.0f} | {wall / velaria:9.2f} |")
    print("(wall: median; best: the fastest run, nearest to a machine doing nothing else; "
          "two processes: memory is the two processes' peaks added)")

    goals = [
        ("<= 0.5 x vipsthumbnail", velaria <= 0.5 * results["vipsthumbnail -s 1024x"][0]),
        ("<= 0.35 x mogrify", velaria <= 0.35 * results["mogrify -resize 1024x"][0]),
        ("<= 1.3 x two-process TurboJPEG writing the same (4:4:4)",
         velaria <= 1.3 * results["TurboJPEG pipeline 4:4:4, 2 processes"][0]),
        ("peak memory < 150 MiB", results["Velaria (JPG)"][2] < 150),
    ]
    if "Velaria (JPG), photos tagged P3" in results:
        goals.append(("tagged P3 <= 1.1 x untagged",
                      results["Velaria (JPG), photos tagged P3"][0] <= 1.1 * velaria))
    print("\nGoals: " + "; ".join(f"{g} {'yes' if ok else 'NO'}" for g, ok in goals))
    print("(against the two-process TurboJPEG loop at its 4:2:0 default, which writes half the "
          f"colour detail: {velaria / results['TurboJPEG pipeline, 2 processes'][0]:.2f} x)")

    print("\nQuality (PSNR against a Lanczos reduction of the whole source):")
    vips420 = fresh(os.path.join(work, "vips420"))
    subprocess.run(["vipsthumbnail", "-s", "1024x", "-o",
                    os.path.join(vips420, "%s.jpg[Q=90,interlace,subsample_mode=on]")] + pictures,
                   check=True)
    quality_check = subprocess.run([sys.executable, os.path.join(HERE, "quality.py"), corpus,
                              os.path.join(out["velaria"], "DestinoJPG"), out["vips"], vips420])

    # Memory must not grow with the number of pictures: 500 of them, the corpus over and over.
    many = fresh(os.path.join(work, "many"))
    for i in range(500):
        source = pictures[i % count]
        os.symlink(source, os.path.join(many, f"{i:03d}_{os.path.basename(source)}"))
    wall, cpu, peak = measure([[bench, many, fresh(os.path.join(work, "many_out"))]])
    print(f"\n500 pictures: {wall:.1f} s, {500 / wall:.1f} pictures/s, peak {peak:.0f} MiB "
          f"(64 pictures: {results['Velaria (JPG)'][2]:.0f} MiB)")
    shutil.rmtree(work, ignore_errors=True)
    camera_sets(build, corpus, runs)
    for folder in [corpus] + camera_folders(corpus) + args.sets:
        report_set(build, folder, args.rounds)
    return quality_check.returncode


def rounds(tools, runs):
    """Each tool once per round, RUNS rounds; the median run of each (wall, CPU, peak)."""
    samples = {name: [] for name, _ in tools}
    for _ in range(runs):
        for name, commands in tools:
            samples[name].append(measure(commands()))
    return {name: sorted(taken)[len(taken) // 2] for name, taken in samples.items()}


def camera_set(build, folder, title, goals, runs):
    """Times one set of photos; prints its table and whether it meets its goals."""
    pictures = sorted(os.path.join(folder, n) for n in os.listdir(folder) if not n.startswith("."))
    work = tempfile.mkdtemp(prefix="velaria-bench-set-")
    bench = os.path.join(build, "bench", "velaria_bench")
    pipeline = os.path.join(build, "bench", "turbojpeg_pipeline")
    out = {name: os.path.join(work, name) for name in ("velaria", "vips", "turbo")}
    tools = [
        ("Velaria (JPG)", lambda: [[bench, folder, fresh(out["velaria"])]]),
        ("vipsthumbnail -s 1024x", lambda: [[
            "vipsthumbnail", "-s", "1024x",
            "-o", os.path.join(fresh(out["vips"]), "%s.jpg[Q=90,interlace]")] + pictures]),
        ("TurboJPEG pipeline 4:4:4, 2 processes", lambda: [
            [pipeline, "--444", fresh(out["turbo"])] + pictures[0::2],
            [pipeline, "--444", out["turbo"]] + pictures[1::2]]),
    ]
    results = rounds(tools, runs)
    velaria = results["Velaria (JPG)"]
    print(f"\n{title}: {len(pictures)} pictures to 1024 pixels wide; median of {runs} runs\n")
    print(f"| {'tool':<37} | wall s | CPU s | CPU / wall | peak MiB | x Velaria |")
    print(f"|{'-' * 39}|-------:|------:|-----------:|---------:|----------:|")
    for name, (wall, cpu, peak) in results.items():
        print(f"| {name:<37} | {wall:6.2f} | {cpu:5.2f} | {cpu / wall:10.2f} | {peak:8.0f} | "
              f"{wall / velaria[0]:9.2f} |")
    met = [(goal, check(velaria, results)) for goal, check in goals]
    print("\nGoals: " + "; ".join(f"{g} {'yes' if ok else 'NO'}" for g, ok in met))
    shutil.rmtree(work, ignore_errors=True)


# The photos people have now, each set in CORPUS-SUFFIX: (suffix, title, goals), a goal being
# (what it says, check(Velaria's (wall, CPU, peak), every tool's)).
LOOP = "TurboJPEG pipeline 4:4:4, 2 processes"
VIPS = "vipsthumbnail -s 1024x"
CAMERA_SETS = [
    ("24mp", "24-megapixel baseline camera photos", [
        ("every core busy (CPU >= 1.7 x wall)", lambda v, r: v[1] >= 1.7 * v[0]),
        ("<= 1.0 x the two-process TurboJPEG loop", lambda v, r: v[0] <= r[LOOP][0]),
        ("<= 0.5 x vipsthumbnail", lambda v, r: v[0] <= 0.5 * r[VIPS][0]),
    ]),
    ("48mp", "48-megapixel progressive 4:4:4 photos", [
        ("peak memory <= 1.2 x vipsthumbnail's", lambda v, r: v[2] <= 1.2 * r[VIPS][2]),
    ]),
]


def camera_folders(corpus):
    folders = [corpus.rstrip("/") + "-" + suffix for suffix, _, _ in CAMERA_SETS]
    return [folder for folder in folders if os.path.isdir(folder)]


def camera_sets(build, corpus, runs):
    for suffix, title, goals in CAMERA_SETS:
        folder = corpus.rstrip("/") + "-" + suffix
        if os.path.isdir(folder):
            camera_set(build, folder, title, goals, runs)


if __name__ == "__main__":
    sys.exit(main())
