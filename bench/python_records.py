"""The Python package's records of every file under a folder, walked and
read with read_many at jobs=1 and jobs=2: the best of three rounds each,
after one round that warms the file cache. Run by bench/records_throughput
(scripts/bench-records.sh) on the folders it writes:

    python_records.py FOLDER
"""

import sys
import time

import midifields


def best_time(folder: str, jobs: int) -> "tuple[float, int]":
    times, count = [], 0
    for _ in range(3):
        start = time.perf_counter()
        count = sum(1 for _ in midifields.read_many(midifields.walk(folder), jobs=jobs))
        times.append(time.perf_counter() - start)
    return min(times), count


def main() -> None:
    folder = sys.argv[1]
    list(midifields.read_many(midifields.walk(folder), jobs=1))
    for jobs in (1, 2):
        seconds, count = best_time(folder, jobs)
        print(f"  read_many(walk(folder), jobs={jobs}): {seconds:6.3f} s  {1e6 * seconds / count:6.1f} us a file",
              flush=True)


if __name__ == "__main__":
    main()
