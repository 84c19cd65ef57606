"""Translate every workspace of a folder on a Dask cluster.

    python3 examples/python/dask_batch.py FOLDER OUT_DIR [--scheduler ADDRESS]

Without --scheduler a local cluster of two worker processes is started.
Each worker translates whole files with brevan (which releases the GIL)
and writes FOLDER/NAME.bws to OUT_DIR/NAME.xml, whole or not at all. The
scheduler spreads the files; a file that fails does not stop the others.
Prints one line per file, in the order of the names, and exits 1 when any
failed.
"""

from __future__ import annotations

import argparse
import pathlib
import sys
from typing import Optional

from distributed import Client, LocalCluster

import brevan


def translate_one(path: str, out_dir: str) -> tuple[str, Optional[str], Optional[str]]:
    """Translates one file on a worker: (path, output or None, error or None)."""
    try:
        result = brevan.translate_file(path)
    except brevan.BrevanError as error:
        return path, None, str(error)
    output = pathlib.Path(out_dir) / (pathlib.Path(path).stem + ".xml")
    partial = output.with_name(output.name + ".part")
    partial.write_text(result.xml, encoding="utf-8")
    partial.replace(output)
    return path, str(output), None


def translate_folder(client: Client, folder: str, out_dir: str) -> list[tuple[str, Optional[str], Optional[str]]]:
    """Translates FOLDER/*.bws on the client's cluster; outcomes in name order."""
    pathlib.Path(out_dir).mkdir(parents=True, exist_ok=True)
    paths = sorted(str(path) for path in pathlib.Path(folder).glob("*.bws"))
    futures = client.map(translate_one, paths, out_dir=out_dir, pure=False)
    return client.gather(futures)


def main(argv: Optional[list[str]] = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("out_dir")
    parser.add_argument("--scheduler", help="address of a running scheduler (default: a local cluster)")
    args = parser.parse_args(argv)
    if args.scheduler:
        with Client(args.scheduler) as client:
            outcomes = translate_folder(client, args.folder, args.out_dir)
    else:
        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(
            cluster
        ) as client:
            outcomes = translate_folder(client, args.folder, args.out_dir)
    for path, output, error in outcomes:
        print(f"{path} -> {output}" if output else f"{path}: {error}")
    return 1 if any(error for _, _, error in outcomes) else 0


if __name__ == "__main__":
    sys.exit(main())
