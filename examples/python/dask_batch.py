"""Translate an estate of workspaces on a Dask cluster, a folder per task.

    python3 examples/python/dask_batch.py ROOT OUT_DIR [--scheduler ADDRESS] [--force]

Without --scheduler a local cluster of two worker processes is started.
Each folder below ROOT that holds .bws files is one task: a worker
translates its workspaces with brevan.translate_many to the same place
below OUT_DIR (ROOT/north/p01/map.bws -> OUT_DIR/north/p01/map.xml). The
package writes every file and keeps each folder's manifest, so a re-run
translates only what changed (--force: everything); this script writes
nothing itself. Prints one line per workspace in the order of their paths
("PATH -> OUTPUT", "PATH: up to date", or "PATH: ERROR"), each followed
by its warnings, and exits 1 when any failed, or when ROOT is missing or
holds no .bws file.
"""

from __future__ import annotations

import argparse
import os
import pathlib
import sys
from typing import Optional

from distributed import Client, LocalCluster

import brevan


def workspace_folders(root: pathlib.Path) -> list[str]:
    """The folders below root (root too) that hold .bws files, in order."""
    folders = []
    for folder, subfolders, files in os.walk(root):
        subfolders.sort()
        if any(name.lower().endswith(".bws") for name in files):
            folders.append(folder)
    return folders


# One workspace's outcome: its path, whether it stands translated, and the
# lines that tell how it ended.
Told = tuple[str, bool, list[str]]


def translate_folder(folder: str, root: str, out_dir: str, force: bool) -> list[Told]:
    """Translates one folder's workspaces on a worker."""
    files = sorted(
        entry.path for entry in os.scandir(folder) if entry.name.lower().endswith(".bws") and entry.is_file()
    )
    target = pathlib.Path(out_dir) / pathlib.Path(folder).relative_to(root)
    told = []
    for outcome in brevan.translate_many(files, target, jobs=1, force=force):
        if outcome.status == brevan.Status.UP_TO_DATE:
            lines = [f"{outcome.path}: up to date" + ("" if outcome.ok else " (it failed last time)")]
        elif outcome.output and outcome.error is None:
            lines = [f"{outcome.path} -> {outcome.output}"]
        else:
            lines = [f"{outcome.path}: {outcome.error}"]
        lines += [f"{outcome.path}:{w.line}:{w.column}: warning: {w.message}" for w in outcome.warnings]
        told.append((outcome.path, outcome.ok, lines))
    return told


def translate_estate(client: Client, root: str, out_dir: str, force: bool) -> list[Told]:
    """Spreads the folders over the client's cluster; outcomes in the order of their paths."""
    folders = workspace_folders(pathlib.Path(root))
    futures = client.map(translate_folder, folders, root=root, out_dir=out_dir, force=force, pure=False)
    return sorted((told for shard in client.gather(futures) for told in shard), key=lambda told: told[0])


def main(argv: Optional[list[str]] = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root")
    parser.add_argument("out_dir")
    parser.add_argument("--scheduler", help="address of a running scheduler (default: a local cluster)")
    parser.add_argument("--force", action="store_true", help="translate every workspace again")
    args = parser.parse_args(argv)
    root = pathlib.Path(args.root)
    if not root.is_dir():
        print(f"{root}: no such folder", file=sys.stderr)
        return 1
    if not workspace_folders(root):
        print(f"{root}: no .bws file to translate", file=sys.stderr)
        return 1
    if args.scheduler:
        with Client(args.scheduler) as client:
            outcomes = translate_estate(client, args.root, args.out_dir, args.force)
    else:
        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(
            cluster
        ) as client:
            outcomes = translate_estate(client, args.root, args.out_dir, args.force)
    for _, _, lines in outcomes:
        print("\n".join(lines))
    return 0 if all(ok for _, ok, _ in outcomes) else 1


if __name__ == "__main__":
    sys.exit(main())
