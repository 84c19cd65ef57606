"""Translate every workspace of a folder on a Dask cluster.

    python3 examples/python/dask_batch.py FOLDER OUT_DIR [--scheduler ADDRESS]

Without --scheduler a local cluster of two worker processes is started.
Each worker translates whole files with brevan (which releases the GIL)
and writes FOLDER/NAME.bws to OUT_DIR/NAME.xml, whole or not at all. The
scheduler spreads the files; a file that fails does not stop the others.
Prints one line per file, in the order of the names, followed by its
warnings, and exits 1 when any failed, or when FOLDER is missing or holds
no .bws file.
"""

from __future__ import annotations

import argparse
import pathlib
import sys
from typing import Optional

from distributed import Client, LocalCluster

import brevan


# One file's outcome: its path, where its document went (None when it
# failed), the error that stopped it and its warnings, as printable lines.
Outcome = tuple[str, Optional[str], Optional[str], list[str]]


def translate_one(path: str, out_dir: str) -> Outcome:
    """Translates one file on a worker."""
    try:
        result = brevan.translate_file(path)
    except (brevan.BrevanError, OSError) as error:
        return path, None, str(error), []
    warnings = [f"{path}:{w.line}:{w.column}: warning: {w.message}" for w in result.warnings]
    output = pathlib.Path(out_dir) / (pathlib.Path(path).stem + ".xml")
    partial = output.with_name(output.name + ".part")
    partial.write_text(result.xml, encoding="utf-8")
    partial.replace(output)
    return path, str(output), None, warnings


def translate_folder(client: Client, paths: list[str], out_dir: str) -> list[Outcome]:
    """Translates the files on the client's cluster; outcomes in the order of paths."""
    pathlib.Path(out_dir).mkdir(parents=True, exist_ok=True)
    futures = client.map(translate_one, paths, out_dir=out_dir, pure=False)
    return client.gather(futures)


def main(argv: Optional[list[str]] = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("out_dir")
    parser.add_argument("--scheduler", help="address of a running scheduler (default: a local cluster)")
    args = parser.parse_args(argv)
    folder = pathlib.Path(args.folder)
    if not folder.is_dir():
        print(f"{folder}: no such folder", file=sys.stderr)
        return 1
    paths = sorted(str(path) for path in folder.glob("*.bws"))
    if not paths:
        print(f"{folder}: no .bws file to translate", file=sys.stderr)
        return 1
    if args.scheduler:
        with Client(args.scheduler) as client:
            outcomes = translate_folder(client, paths, args.out_dir)
    else:
        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(
            cluster
        ) as client:
            outcomes = translate_folder(client, paths, args.out_dir)
    for path, output, error, warnings in outcomes:
        print(f"{path} -> {output}" if output else f"{path}: {error}")
        for warning in warnings:
            print(warning)
    return 1 if any(error for _, _, error, _ in outcomes) else 0


if __name__ == "__main__":
    sys.exit(main())
