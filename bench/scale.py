#!/usr/bin/python3
"""How Velaria's real batch run scales: many small pictures, and a few very large ones.

Usage: bench/scale.py BUILD_DIR WORK_DIR [--counts 1000,10000,40000] [--vips-up-to N]

Small pictures: folders of 1,000, 10,000 and 40,000 JPEGs of 64 x 48 (hard links of a few
files, made in a moment) go through the real run to a 441-pixel-wide frame, JPG only, beside
the two-process TurboJPEG loop writing the same (4:4:4, progressive, quality 90) and
vipsthumbnail (up to --vips-up-to pictures; it takes minutes at 40,000). The table gives the time
per picture, the peak memory and the files written.

The window on a folder of 100,000 small pictures: how long filling the list takes, when the
progress window shows, the longest the window goes without handling events, and how soon the run
ends when "Cancelar" is pressed one second in, while headers are still being read.

Large photos: a 200-megapixel baseline JPEG (16320 x 12240, as phones' main cameras write),
alone and eight at once, to 1024 pixels wide; then the dimension bombs of the shared corpus.

The machine may be busy with other work: compare the ratios, which are measured back to back.
"""
import argparse
import os
import subprocess
import sys

from run import fresh, measure

HERE = os.path.dirname(os.path.abspath(__file__))
SMALL_VARIANTS = 8


def files_in(folder):
    return len([n for n in os.listdir(folder) if not n.startswith(".")]) if os.path.isdir(
        folder) else 0


def small_folder(work, count):
    """COUNT small JPEGs, hard links of a few generated ones; kept between runs."""
    variants = os.path.join(work, "variantes")
    if files_in(variants) < SMALL_VARIANTS:
        fresh(variants)
        for n in range(SMALL_VARIANTS):
            subprocess.run(["convert", "-seed", str(n + 1), "-size", "64x48", "plasma:fractal",
                            "-quality", "92", os.path.join(variants, f"v{n}.jpg")], check=True)
    # Links of one file are limited in number (65,000 on ext4): each folder links eight files.
    folder = os.path.join(work, f"pequenas_{count}")
    if files_in(folder) != count:
        fresh(folder)
        for i in range(count):
            os.link(os.path.join(variants, f"v{i % SMALL_VARIANTS}.jpg"),
                    os.path.join(folder, f"p{i:06d}.jpg"))
    return folder, sorted(os.path.join(folder, n) for n in os.listdir(folder))


def small_pictures(build, work, counts, vips_up_to):
    bench = os.path.join(build, "bench", "velaria_bench")
    pipeline = os.path.join(build, "bench", "turbojpeg_pipeline")
    rows = []
    for count in counts:
        folder, pictures = small_folder(work, count)
        out = os.path.join(work, "salida")
        tools = [
            ("Velaria (JPG)", lambda: [[bench, folder, fresh(out), "--width", "441"]],
             lambda: files_in(os.path.join(out, "DestinoJPG"))),
            ("TurboJPEG 4:4:4, 2 processes", lambda: [
                [pipeline, "--444", "--width", "441", fresh(out)] + pictures[0::2],
                [pipeline, "--444", "--width", "441", out] + pictures[1::2]],
             lambda: files_in(out)),
        ]
        if count <= vips_up_to:
            tools.append(("vipsthumbnail -s 441x", lambda: [[
                "vipsthumbnail", "-s", "441x",
                "-o", os.path.join(fresh(out), "%s.jpg[Q=90,interlace]")] + pictures],
                lambda: files_in(out)))
        for name, commands, written in tools:
            wall, cpu, peak = measure(commands())
            rows.append((count, name, wall, peak, written(), cpu))
            print(f"  {count} {name}: {wall:.1f} s, {peak:.0f} MiB", file=sys.stderr)
    return rows


def window_alive(build, work, count=100000):
    bench = os.path.join(build, "bench", "velaria_bench")
    folder, _ = small_folder(work, count)
    process = subprocess.run([bench, folder, fresh(os.path.join(work, "salida")), "--width",
                              "441", "--cancel-after", "1"], capture_output=True, text=True)
    lines = [line for line in process.stderr.splitlines() if line.startswith("velaria:")]
    return lines[-1] if lines else process.stderr[-500:]


def big_photos(build, work):
    bench = os.path.join(build, "bench", "velaria_bench")
    photo = os.path.join(work, "foto200mp.jpg")
    if not os.path.exists(photo):
        print("  generating a 200-megapixel photo...", file=sys.stderr)
        subprocess.run([os.path.join(build, "bench", "big_jpeg"), "16320", "12240", photo],
                       check=True)
    results = {}
    for count in (1, 8):
        folder = fresh(os.path.join(work, f"grandes_{count}"))
        for i in range(count):
            os.link(photo, os.path.join(folder, f"foto{i}.jpg"))
        out = os.path.join(work, "salida")
        wall, _, peak = measure([[bench, folder, fresh(out)]])
        results[count] = (wall, peak, files_in(os.path.join(out, "DestinoJPG")))
    bombs = None
    bad = os.path.join(HERE, "..", "..", "shared", "corpus", "bad")
    if os.path.isdir(bad):
        out = os.path.join(work, "salida")
        wall, _, peak = measure([[bench, bad, fresh(out)]], must_succeed=False)
        bombs = (wall, peak, files_in(bad))
    return results, bombs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("work")
    parser.add_argument("--counts", default="1000,10000,40000")
    parser.add_argument("--vips-up-to", type=int, default=10000)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    counts = [int(c) for c in args.counts.split(",")]

    rows = small_pictures(build, work, counts, args.vips_up_to)
    print(f"\nSmall pictures (64 x 48 JPEG) to 441 pixels wide, JPG quality 90, progressive, "
          f"on {os.cpu_count()} cores\n")
    print("| pictures | tool                          | wall s | ms/picture | CPU ms/picture |"
          " peak MiB | written | x TurboJPEG (wall, CPU) |")
    print("|---------:|-------------------------------|-------:|-----------:|---------------:|"
          "---------:|--------:|------------------------:|")
    turbo = {c: (w, cpu) for c, n, w, _, _, cpu in rows if n.startswith("TurboJPEG")}
    for count, name, wall, peak, written, cpu in rows:
        print(f"| {count:8} | {name:<29} | {wall:6.1f} | {1000 * wall / count:10.2f} | "
              f"{1000 * cpu / count:14.2f} | {peak:8.0f} | {written:7} | "
              f"{wall / turbo[count][0]:11.2f}, {cpu / turbo[count][1]:10.2f} |")
    print("(CPU time, user and system, is less swayed than wall time by other work on the "
          "machine)")
    velaria = {c: (w / c, p, written) for c, n, w, p, written, _ in rows
               if n.startswith("Velaria")}
    first, last = min(velaria), max(velaria)
    goals = [
        (f"all {last} written", velaria[last][2] == last),
        (f"per picture at {last} <= 1.2 x at {first}",
         velaria[last][0] <= 1.2 * velaria[first][0]),
        (f"<= 1.15 x TurboJPEG at {last}", velaria[last][0] * last <= 1.15 * turbo[last][0]),
        (f"peak < 200 MiB at {last}", velaria[last][1] < 200),
    ]

    print(f"\nThe window, {100000} pictures, Cancelar after 1 s: " + window_alive(build, work))

    results, bombs = big_photos(build, work)
    print("\nA 200-megapixel JPEG (16320 x 12240, baseline) to 1024 pixels wide\n")
    print("| photos | wall s | peak MiB | written |")
    print("|-------:|-------:|---------:|--------:|")
    for count, (wall, peak, written) in results.items():
        print(f"| {count:6} | {wall:6.2f} | {peak:8.0f} | {written:7} |")
    goals += [
        ("one in < 1 s", results[1][0] < 1 and results[1][2] == 1),
        ("one under 150 MiB", results[1][1] < 150),
        ("eight under 250 MiB", results[8][1] < 250 and results[8][2] == 8),
    ]
    if bombs:
        wall, peak, files = bombs
        print(f"\nThe shared corpus's damaged files and bombs ({files} files, one run): "
              f"{wall:.2f} s, {peak:.0f} MiB")
        goals.append(("every bomb refused in < 1 s (the whole run)", wall < 1))
    print("\nGoals: " + "; ".join(f"{g} {'yes' if ok else 'NO'}" for g, ok in goals))
    return 0


if __name__ == "__main__":
    sys.exit(main())
