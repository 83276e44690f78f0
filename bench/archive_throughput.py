#!/usr/bin/python3
"""Archives read in place, against only decompressing them, all in one run
on the same files. Prints figures to watch, not pass/fail tests (CI never
runs this):

    bench/archive_throughput.py CORPUS [--members N] [--rounds R] [--program PROGRAM]

A collection of N members (at least 5,000; default 6,000), the MIDI files
of CORPUS in turn, is written as a .tar.gz and as a .zip (every member with
its own data, none a link). Then, the best of R rounds each:

1. the .tar.gz: `gzip -dc > /dev/null` (only decompressing it), the
   program's records (`-j 1 --format tsv` to /dev/null) and the Python
   package's (`read_many(walk(archive), jobs=1)`), each as a share of the
   decompression's speed;
2. the .zip: `read_many(walk(archive))` with jobs=1 and jobs=2;
3. peak memory against the number of members: the program and the package
   (jobs=1) over .tar.gz archives of N and 4N members, in fresh processes.

The library is MIDIFIELDS_LIBRARY, else build/linux/libmidifields_records.so;
the program, build/linux/midifields."""

import argparse
import io
import os
import subprocess
import sys
import tarfile
import tempfile
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "python"))
os.environ.setdefault("MIDIFIELDS_LIBRARY", str(ROOT / "build" / "linux" / "libmidifields_records.so"))

import midifields  # noqa: E402

PYTHON_RUN = """
import resource, sys, time
import midifields
start = time.perf_counter()
count = sum(1 for _ in midifields.read_many(midifields.walk(sys.argv[1]), jobs=int(sys.argv[2])))
print(time.perf_counter() - start, count, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
"""


def write_archives(corpus: Path, count: int, folder: Path) -> "tuple[Path, Path]":
    files = sorted(path for path in corpus.iterdir() if path.suffix.lower() == ".mid")
    contents = [path.read_bytes() for path in files]
    tar_path, zip_path = folder / f"collection-{count}.tar.gz", folder / f"collection-{count}.zip"
    with tarfile.open(tar_path, "w:gz", compresslevel=6) as tar, \
            zipfile.ZipFile(zip_path, "w", zipfile.ZIP_DEFLATED) as zipped:
        for i in range(count):
            name = f"collection/set{i // 100}/{i}-{files[i % len(files)].name}"
            data = contents[i % len(files)]
            info = tarfile.TarInfo(name)
            info.size = len(data)
            tar.addfile(info, io.BytesIO(data))
            zipped.writestr(name, data)
    return tar_path, zip_path


def best(run, rounds: int) -> float:
    return min(run() for _ in range(rounds))


def timed(command: "list[str]") -> float:
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def python_run(archive: Path, jobs: int) -> "tuple[float, int, int]":
    output = subprocess.run([sys.executable, "-c", PYTHON_RUN, str(archive), str(jobs)], check=True,
                            stdout=subprocess.PIPE, text=True, env={**os.environ, "PYTHONPATH": str(ROOT / "python")})
    seconds, count, peak = output.stdout.split()
    return float(seconds), int(count), int(peak)


def program_peak(program: str, archive: Path) -> int:
    output = subprocess.run(["/usr/bin/time", "-f", "%M", program, "-j", "1", "--format", "tsv", str(archive)],
                            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return int(output.stderr.strip().splitlines()[-1])


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("corpus", type=Path)
    parser.add_argument("--members", type=int, default=6000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--program", default=str(ROOT / "build" / "linux" / "midifields"))
    arguments = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        tar_path, zip_path = write_archives(arguments.corpus, arguments.members, Path(folder))
        print(f"{arguments.members} members; {tar_path.name} {tar_path.stat().st_size:,} bytes, "
              f"{zip_path.name} {zip_path.stat().st_size:,} bytes; load {os.getloadavg()[0]:.2f}")
        rounds = arguments.rounds
        gzip = best(lambda: timed(["sh", "-c", f"gzip -dc '{tar_path}' > /dev/null"]), rounds)
        program = best(lambda: timed([arguments.program, "-j", "1", "--format", "tsv", str(tar_path)]), rounds)
        python_tar = best(lambda: python_run(tar_path, 1)[0], rounds)
        print(f".tar.gz: gzip -dc {gzip:.3f} s; program -j 1 {program:.3f} s ({gzip / program:.2f}x the "
              f"decompression's speed); read_many jobs=1 {python_tar:.3f} s ({gzip / python_tar:.2f}x)")
        zip_one = best(lambda: python_run(zip_path, 1)[0], rounds)
        zip_two = best(lambda: python_run(zip_path, 2)[0], rounds)
        print(f".zip: read_many jobs=1 {zip_one:.3f} s, jobs=2 {zip_two:.3f} s ({zip_one / zip_two:.2f}x)")
        larger_tar, _ = write_archives(arguments.corpus, 4 * arguments.members, Path(folder))
        for archive in (tar_path, larger_tar):
            print(f"peak resident memory over {archive.name}: program {program_peak(arguments.program, archive):,} KiB, "
                  f"read_many jobs=1 {python_run(archive, 1)[2]:,} KiB")


if __name__ == "__main__":
    main()
