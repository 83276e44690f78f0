#!/usr/bin/python3
"""The Python package against the command-line host and against mido, all
in one run on the same files. Prints figures to watch, not pass/fail tests
(CI never runs this):

    bench/python_throughput.py CORPUS [--files N] [--rounds R] [--host PROGRAM]

1. Throughput over a folder of N files (hard links to the corpus's MIDI
   files, in turn): the host's -j 1 and -j 2 (JSON Lines to /dev/null), and
   read_many(walk(folder)) with jobs=1 and jobs=2, worker start included.
   R rounds, alternated; the best and the median of each. Then the time
   to the first record with jobs=2, which holds the workers' start.
2. The corpus itself: mido reading each file (MidiFile) and finding its
   length, first key and first time signature, against read_many with
   jobs=1 reading all nine fields (best of R passes).
3. Peak memory of read_many (jobs=2) over a generator of 200,000 paths,
   in a fresh process: its peak resident size after 10,000, 50,000,
   100,000 and 200,000 records, and the workers' peak.

The library is MIDIFIELDS_LIBRARY, else build/linux/libmidifields_records.so;
the host, build/linux/midifields."""

import argparse
import itertools
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "python"))
os.environ.setdefault("MIDIFIELDS_LIBRARY", str(ROOT / "build" / "linux" / "libmidifields_records.so"))

import midifields  # noqa: E402


def timed(action) -> float:
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def read_all(paths, jobs):
    for _ in midifields.read_many(paths, jobs=jobs):
        pass


def throughput(folder: Path, count: int, host: str, rounds: int) -> dict:
    runs = {"host -j 1": [], "host -j 2": [], "read_many jobs=1": [], "read_many jobs=2": []}
    for _ in range(rounds):
        for jobs in (1, 2):
            command = [host, "-j", str(jobs), "--format", "jsonl", str(folder)]
            runs[f"host -j {jobs}"].append(count / timed(lambda: subprocess.run(
                command, stdout=subprocess.DEVNULL, check=True)))
            runs[f"read_many jobs={jobs}"].append(count / timed(lambda: read_all(midifields.walk(folder), jobs)))
    return runs


def first_record_seconds(folder: Path, rounds: int) -> float:
    best = float("inf")
    for _ in range(rounds):
        start = time.perf_counter()
        records = midifields.read_many(midifields.walk(folder), jobs=2)
        next(records)
        best = min(best, time.perf_counter() - start)
        records.close()
    return best


def mido_summary(path: str):
    import mido

    midi = mido.MidiFile(path)
    key = time_signature = None
    for message in mido.merge_tracks(midi.tracks):
        if message.type == "key_signature" and key is None:
            key = message.key
        elif message.type == "time_signature" and time_signature is None:
            time_signature = (message.numerator, message.denominator)
    return midi.length, key, time_signature


def corpus_comparison(corpus: Path, rounds: int) -> None:
    paths = sorted(str(path) for path in corpus.iterdir() if path.suffix.lower() in (".mid", ".midi"))
    refused = 0
    start = time.perf_counter()
    for path in paths:
        try:
            mido_summary(path)
        except Exception:  # mido raises many kinds for a file it refuses
            refused += 1
    mido_rate = len(paths) / (time.perf_counter() - start)
    ours = max(len(paths) / timed(lambda: read_all(paths, 1)) for _ in range(rounds * 4))
    records = list(midifields.read_many(paths, jobs=1))
    ok = sum(record["status"] == "ok" for record in records)
    print(f"\n{corpus} ({len(paths)} files):")
    print(f"  mido (MidiFile, length, first key and time signature): {mido_rate:,.0f} files/s, "
          f"refused {refused} of {len(paths)}")
    print(f"  read_many jobs=1, nine fields, best of {rounds * 4}: {ours:,.0f} files/s, "
          f"status ok for {ok} of {len(paths)}")
    print(f"  ratio: {ours / mido_rate:,.0f} x mido's files/s")


def memory_child(folder: str) -> None:
    files = sorted(os.path.join(folder, name) for name in os.listdir(folder))
    paths = (files[number % len(files)] for number in range(200_000))
    marks = {10_000, 50_000, 100_000, 200_000}
    for number, _ in enumerate(midifields.read_many(paths, jobs=2), start=1):
        if number in marks:
            peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
            print(f"  after {number:,} records: peak resident {peak / 1024:.1f} MB")
    workers = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    print(f"  each worker process's peak resident size at most {workers / 1024:.1f} MB")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("corpus", type=Path)
    parser.add_argument("--files", type=int, default=6000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--host", default=str(ROOT / "build" / "linux" / "midifields"))
    parser.add_argument("--memory-child", help=argparse.SUPPRESS)
    arguments = parser.parse_args()
    if arguments.memory_child:
        memory_child(arguments.memory_child)
        return

    corpus_files = sorted(path for path in arguments.corpus.iterdir() if path.suffix.lower() in (".mid", ".midi"))
    print(f"Python {sys.version.split()[0]}, {os.cpu_count()} cores, load average at start "
          f"{os.getloadavg()[0]:.2f}; library {midifields._library.load().path}")
    with tempfile.TemporaryDirectory() as folder:
        for number, source in zip(range(arguments.files), itertools.cycle(corpus_files)):
            os.link(source, os.path.join(folder, f"{number:06d}-{source.name}"))
        runs = throughput(Path(folder), arguments.files, arguments.host, arguments.rounds)
        print(f"\nThroughput over {arguments.files:,} files (links to the {len(corpus_files)} corpus files), "
              f"{arguments.rounds} rounds, files/s:")
        best = {name: max(rates) for name, rates in runs.items()}
        for name, rates in runs.items():
            print(f"  {name:18} best {best[name]:>8,.0f}   median {statistics.median(rates):>8,.0f}")
        print(f"  read_many jobs=1 / host -j 1: {best['read_many jobs=1'] / best['host -j 1']:.2f}; "
              f"read_many jobs=2 / jobs=1: {best['read_many jobs=2'] / best['read_many jobs=1']:.2f}; "
              f"host -j 2 / -j 1: {best['host -j 2'] / best['host -j 1']:.2f}")
        print(f"  read_many jobs=2, time to the first record (two workers started), best of "
              f"{arguments.rounds}: {first_record_seconds(Path(folder), arguments.rounds) * 1000:.0f} ms")

        corpus_comparison(arguments.corpus, arguments.rounds)

        print("\nread_many(jobs=2) over a generator of 200,000 paths, in a fresh process:")
        subprocess.run([sys.executable, __file__, str(arguments.corpus), "--memory-child", folder], check=True)


if __name__ == "__main__":
    main()
