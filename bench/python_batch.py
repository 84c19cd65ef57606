"""translate_many over 1,000 small workspaces on 1 and on 2 threads.

    python3 bench/python_batch.py [FILES] [RUNS] [FOLDER]

Copies the examples into a temporary folder (in FOLDER; by default the
memory file system /dev/shm where there is one, so that the disk's
writing does not drown the translating) until it holds FILES files
(default 1000), then times translate_many with jobs=1 and jobs=2, RUNS
times each (default 5), alternating, and prints the fastest of each and
their ratio.
"""

import itertools
import os
import pathlib
import sys
import tempfile
import time

import brevan

ROOT = pathlib.Path(__file__).resolve().parents[1]


def main() -> None:
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    base = sys.argv[3] if len(sys.argv) > 3 else ("/dev/shm" if os.path.isdir("/dev/shm") else None)
    examples = sorted((ROOT / "examples").glob("*.bws"))
    with tempfile.TemporaryDirectory(dir=base) as work:
        folder = pathlib.Path(work) / "in"
        folder.mkdir()
        paths = []
        for n, example in zip(range(count), itertools.cycle(examples)):
            path = folder / f"{n:05d}_{example.name}"
            path.write_bytes(example.read_bytes())
            paths.append(path)
        best = {1: float("inf"), 2: float("inf")}
        for run in range(runs):
            for jobs in (1, 2):
                start = time.perf_counter()
                outcomes = brevan.translate_many(paths, pathlib.Path(work) / f"out{run}-{jobs}", jobs=jobs)
                best[jobs] = min(best[jobs], time.perf_counter() - start)
                assert all(outcome.ok for outcome in outcomes)
    print(f"{count} files: 1 thread {best[1] * 1000:.0f} ms, 2 threads {best[2] * 1000:.0f} ms, "
          f"speed-up {best[1] / best[2]:.2f}")


if __name__ == "__main__":
    main()
