"""The Python package as a script author uses it."""

from __future__ import annotations

import json
import os
import pathlib
import signal
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree
from concurrent.futures import ThreadPoolExecutor

import pytest

import brevan

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = sorted((ROOT / "examples").glob("*.bws"))


def golden(example: pathlib.Path) -> str:
    return example.with_suffix(".xml").read_text(encoding="utf-8")


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda path: path.stem)
def test_examples_translate_to_their_documents(example: pathlib.Path) -> None:
    from_text = brevan.translate(example.read_text(encoding="utf-8"))
    from_bytes = brevan.translate(example.read_bytes())
    from_file = brevan.translate_file(example)
    assert from_text.ok and from_text.xml == golden(example)
    assert from_bytes.xml == from_text.xml == from_file.xml
    assert ElementTree.fromstring(from_text.xml).tag == "Workspace"


def test_report_page_of_a_translation_and_of_a_saved_document() -> None:
    result = brevan.translate_file(ROOT / "examples" / "workspace.bws")
    page = brevan.render_html(result, "workspace.bws")
    assert page.startswith("<!DOCTYPE html>") and page.rstrip().endswith("</html>")
    assert 'data-layer="Counties"' in page and 'fill="rgb(255,255,128)"' in page
    warned = brevan.translate('Open Table "a" As A\nMap From A\nSet Map Layer 0 Nodes\n')
    assert "Translated with warnings" in brevan.render_html(warned, "warned.bws")
    saved = brevan.render_html(result.xml, "workspace.xml")
    assert 'data-layer="Counties"' in saved
    assert "could not be read" in brevan.render_html("<Workspace", "broken")


def test_errors_raise_with_their_place_note_and_the_document_so_far() -> None:
    with pytest.raises(brevan.TranslationError) as raised:
        brevan.translate('Open Table "a" As t\nMap From t\nSet Map Layer 4 Nodes\n')
    error = raised.value
    assert (error.number, error.line, error.column, error.end_column) == (26, 3, 15, 16)
    assert error.message == 'XML node cannot be found: "Layer"'
    assert error.source_line == "Set Map Layer 4 Nodes"
    assert error.notes == ["layer 4 was asked for, and the layers are numbered 1 to 1"]
    assert '<Table file="a" alias="t" />' in error.xml
    assert str(error).startswith("3:15: error 26:")


def test_partial_and_check_return_instead_of_raising() -> None:
    text = "Map From a\nSet Map Zoom x\nSet Map Layer 9 Nodes\n"
    partial = brevan.translate(text, partial=True)
    assert not partial.ok and "<MapWindow>" in partial.xml
    assert [d.number for d in partial.diagnostics] == [10]
    checked = brevan.translate(text, check=True)
    assert [(d.number, d.line) for d in checked.diagnostics] == [(10, 2), (26, 3)]
    assert checked.xml == ""


def test_warnings_and_skipped_statements() -> None:
    result = brevan.translate("Map From a\nRefresh Roads\nSet Map Display Off Zoom 5\n")
    # The rest of the cut statement is its warning's, not a statement passed over.
    assert [(s.line, s.keyword) for s in result.skipped] == [(2, "Refresh Roads")]
    assert [(w.line, w.column, w.number, w.code) for w in result.warnings] == [(3, 17, 0, "statement-cut-short")]
    assert result.warnings[0].message.startswith('statement ends before "Off"')
    assert [(d.severity, d.line) for d in result.diagnostics] == [(brevan.Severity.WARNING, 3)]


def test_remarks_say_what_the_document_has_no_place_for() -> None:
    result = brevan.translate('Open Table "a" As t Quiet\nMap From t\nSet Map Limit Zoom 5\n')
    assert [(r.line, r.column, r.message) for r in result.remarks] == [
        (1, 21, "this clause is read and not written to the document"),
        (3, 20, 'the number after "Limit Zoom" is read and not written to the document'),
    ]
    assert result.ok and result.warnings == []


def test_input_errors() -> None:
    with pytest.raises(brevan.InputError) as bad_bytes:
        brevan.translate(b'Open Table "a"\nOpen Table "caf\xe9"\n')
    error = bad_bytes.value
    assert (error.line, error.column) == (2, 16) and isinstance(error, UnicodeError)
    assert "--encoding CP1252" in error.message and str(error).startswith("2:16: byte 0xE9")
    with pytest.raises(brevan.InputError, match="binary file"):
        brevan.translate(b"Open\x00")
    assert brevan.translate('Open Table "Zürich"'.encode("cp1252"), encoding="CP1252").ok
    with pytest.raises(ValueError):
        brevan.translate("Map From a", encoding="CP1252")


def test_unreadable_files_raise_the_oserror_of_their_reason(tmp_path: pathlib.Path) -> None:
    locked = tmp_path / "locked.bws"
    locked.write_text("Map From a\n", encoding="utf-8")
    locked.chmod(0)
    cases = [(tmp_path / "no" / "such.bws", FileNotFoundError), (tmp_path, IsADirectoryError)]
    if os.geteuid() != 0:  # root reads any file
        cases.append((locked, PermissionError))
    for path, expected in cases:
        with pytest.raises(expected) as raised:
            brevan.translate_file(path)
        assert raised.value.filename == str(path) and not isinstance(raised.value, brevan.InputError)
    [outcome] = brevan.translate_many([tmp_path / "gone.bws"], tmp_path / "out")
    assert isinstance(outcome.error, FileNotFoundError) and outcome.output is None


@pytest.mark.parametrize(
    "version, expected",
    [(-1, ValueError), (32768, ValueError), (40000, ValueError), ("300", TypeError), (2.5, TypeError), (True, TypeError)],
)
def test_bad_versions_are_refused_plainly(version: object, expected: type) -> None:
    with pytest.raises(expected, match="version must") as raised:
        brevan.translate("Map From a\n", version=version)  # type: ignore[arg-type]
    assert "incompatible" not in str(raised.value)  # not the binding's signature dump


def test_version_option_selects_older_forms() -> None:
    text = "Map From a\nSet Map Center (2000000, 3000000)\n"
    assert 'centerX="-2"' in brevan.translate(text, version=199).xml
    assert 'centerX="2000000"' in brevan.translate(text).xml
    assert brevan.translate(text, version=0).ok and brevan.translate(text, version=32767).ok


def test_the_package_shows_only_its_names() -> None:
    assert set(dir(brevan)) == set(brevan.__all__) | {"__version__"}
    assert all(hasattr(brevan, name) for name in brevan.__all__)


def test_threads_translate_at_once() -> None:
    jobs = EXAMPLES * 8
    with ThreadPoolExecutor(max_workers=4) as pool:
        documents = list(pool.map(lambda path: brevan.translate_file(path).xml, jobs))
    assert documents == [golden(path) for path in jobs]


def test_translate_many_keeps_input_order(tmp_path: pathlib.Path) -> None:
    bad = tmp_path / "bad.bws"
    bad.write_text("Map From a\nSet Map Zoom x\n", encoding="utf-8")
    undecodable = tmp_path / "undecodable.bws"
    undecodable.write_bytes(b"\xff")
    paths = [*EXAMPLES, bad, undecodable]
    outcomes = brevan.translate_many(paths, tmp_path / "out", jobs=2)
    assert [outcome.path for outcome in outcomes] == [str(path) for path in paths]
    for example, outcome in zip(EXAMPLES, outcomes):
        assert outcome.ok and pathlib.Path(outcome.output).read_text(encoding="utf-8") == golden(example)
    assert isinstance(outcomes[-2].error, brevan.TranslationError) and outcomes[-2].output is None
    assert outcomes[-2].error.line == 2
    assert isinstance(outcomes[-1].error, brevan.InputError)
    assert not (tmp_path / "out" / "bad.xml").exists()
    assert not list((tmp_path / "out").glob("*.part"))
    with pytest.raises(ValueError, match="would both be written"):
        brevan.translate_many([EXAMPLES[0], EXAMPLES[0]], tmp_path / "twice")


def test_ctrl_c_cancels_a_batch_and_keeps_what_ended(tmp_path: pathlib.Path) -> None:
    # A child translates thousands of files on one thread (some seconds);
    # Ctrl-C must come back as KeyboardInterrupt at once, with the outcomes
    # that ended.
    script = tmp_path / "many.py"
    script.write_text(
        "import pathlib, sys, time\n"
        "import brevan\n"
        "folder = pathlib.Path(sys.argv[1])\n"
        "text = pathlib.Path(sys.argv[2]).read_text() * 20\n"
        "paths = []\n"
        "for i in range(4000):\n"
        "    path = folder / f'w{i}.bws'\n"
        "    path.write_text(text)\n"
        "    paths.append(path)\n"
        "print('ready', flush=True)\n"
        "try:\n"
        "    brevan.translate_many(paths, folder / 'out', jobs=1)\n"
        "    print('ended')\n"
        "except KeyboardInterrupt as stop:\n"
        "    print('interrupted', len(stop.outcomes), all(o.ok for o in stop.outcomes), time.monotonic())\n",
        encoding="utf-8",
    )
    child = subprocess.Popen(
        [sys.executable, str(script), str(tmp_path), str(EXAMPLES[0])], stdout=subprocess.PIPE, text=True
    )
    assert child.stdout is not None
    assert child.stdout.readline().strip() == "ready"
    time.sleep(0.3)
    sent = time.monotonic()
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=60)
    if out.startswith("ended"):
        pytest.skip("the batch ended before the signal")
    words = out.split()
    assert words[0] == "interrupted" and 0 < int(words[1]) < 4000 and words[2] == "True", out
    assert float(words[3]) - sent < 0.5
    written = list((tmp_path / "out").glob("*.xml"))
    assert len(written) == int(words[1])


def test_translate_many_takes_every_kind_of_path(tmp_path: pathlib.Path) -> None:
    # A name that is not UTF-8 (Latin-1 "café") is a file like any other.
    latin1 = os.fsencode(tmp_path) + b"/caf\xe9.bws"
    with open(latin1, "wb") as file:
        file.write(b"Map From t\n")
    text = tmp_path / "text.bws"
    text.write_text("Map From u\n", encoding="utf-8")
    outcomes = brevan.translate_many([latin1, text], tmp_path / "out")  # bytes and os.PathLike
    assert [outcome.ok for outcome in outcomes] == [True, True]
    assert os.fsencode(outcomes[0].output) == os.fsencode(tmp_path / "out") + b"/caf\xe9.xml"
    assert os.path.exists(os.fsencode(outcomes[0].output)) and outcomes[1].path == str(text)


def test_translate_many_mirrors_trees(tmp_path: pathlib.Path) -> None:
    for name in ("gis/north/p01/map.bws", "gis/north/p02/map.bws", "gis/south/map.bws"):
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text("Map From t\n", encoding="utf-8")
    (tmp_path / "gis" / "dangling.bws").symlink_to(tmp_path / "gone.bws")
    with pytest.warns(UserWarning, match="leads nowhere"):
        outcomes = brevan.translate_many([tmp_path / "gis"], tmp_path / "out", recursive=True)
    written = sorted(os.path.relpath(o.output, tmp_path / "out") for o in outcomes)
    assert written == ["north/p01/map.xml", "north/p02/map.xml", "south/map.xml"]


def test_translate_many_passes_its_options_on(tmp_path: pathlib.Path) -> None:
    partial = tmp_path / "partial.bws"
    partial.write_text("Map From a\nSet Map Zoom x\n", encoding="utf-8")
    [outcome] = brevan.translate_many([partial], tmp_path / "out", partial=True)
    assert outcome.status == brevan.Status.FAILED and not outcome.ok
    assert outcome.output is not None and "<MapWindow>" in pathlib.Path(outcome.output).read_text(encoding="utf-8")


def test_dask_example_on_a_local_cluster_of_two_workers(tmp_path: pathlib.Path) -> None:
    pytest.importorskip("distributed")
    root = tmp_path / "gis"
    for index, example in enumerate(EXAMPLES):
        (root / f"p{index % 2}").mkdir(parents=True, exist_ok=True)
        (root / f"p{index % 2}" / example.name).write_bytes(example.read_bytes())
    (root / "yy_empty.bws").write_text("", encoding="utf-8")
    (root / "p1" / "deeper").mkdir()
    (root / "p1" / "deeper" / "zz_bad.bws").write_text("Map From a\nSet Map Layer 3 Nodes\n", encoding="utf-8")
    script = [sys.executable, str(ROOT / "examples" / "python" / "dask_batch.py"), str(root), str(tmp_path / "out")]

    def run() -> list[str]:
        done = subprocess.run(script, capture_output=True, text=True, timeout=300)
        assert done.returncode == 1, done.stderr
        return done.stdout.splitlines()

    lines = run()
    assert len(lines) == len(EXAMPLES) + 3
    assert any(line.startswith(f"{root / 'p1' / 'deeper' / 'zz_bad.bws'}: ") and "error 26" in line for line in lines)
    assert any(line.startswith(f"{root / 'yy_empty.bws'}:") and ": warning: " in line for line in lines)
    for index, example in enumerate(EXAMPLES):
        document = tmp_path / "out" / f"p{index % 2}" / f"{example.stem}.xml"
        assert document.read_text(encoding="utf-8") == golden(example)
    # Nothing changed: nothing is translated again; then only what changed is.
    assert all(line.endswith("up to date") or "(it failed last time)" in line for line in run())
    (root / "p0" / EXAMPLES[0].name).write_text("Map From t\n", encoding="utf-8")
    redone = [line for line in run() if " -> " in line]
    assert redone == [f"{root / 'p0' / EXAMPLES[0].name} -> {tmp_path / 'out' / 'p0' / (EXAMPLES[0].stem + '.xml')}"]


def test_dask_example_says_what_is_wrong_before_starting(tmp_path: pathlib.Path) -> None:
    pytest.importorskip("distributed")
    script = str(ROOT / "examples" / "python" / "dask_batch.py")
    (tmp_path / "empty").mkdir()
    for folder, message in [(tmp_path / "missing", "no such folder"), (tmp_path / "empty", "no .bws file")]:
        run = subprocess.run([sys.executable, script, str(folder), str(tmp_path / "out")], capture_output=True, text=True, timeout=60)
        assert run.returncode == 1 and message in run.stderr and run.stdout == ""


def test_the_workspace_as_typed_objects_and_records() -> None:
    result = brevan.translate_file(ROOT / "examples" / "workspace.bws")
    workspace = result.workspace
    assert [(t.alias, t.file, t.copy_of, t.line) for t in workspace.tables] == [
        ("Counties", "data/counties.tbl", "", 5),
        ("Roads", "data/roads.tbl", "", 6),
        ("Roads_2", "data/roads.tbl_2", "Roads", 9),
    ]
    assert [(s.kind, s.line, s.name) for s in workspace.statements] == [
        ("open_table", 5, "Open Table"),
        ("open_table", 6, "Open Table"),
        ("map_window", 9, "Map From"),
        ("set_map", 12, "Set Map"),
        ("thematic", 20, "Theme 1"),
        ("legend_settings", 26, "Set Legend"),
    ]
    assert workspace.statements[2].kind == brevan.StatementKind.MAP_WINDOW
    assert workspace.statements[2].end_line == 10
    [theme] = workspace.map_windows[0].layers[0].themes
    assert theme.kind == brevan.ThemeKind.RANGE and theme.expressions == ["Population"]
    assert [item.row.text for item in theme.items] == ["Under 10,000", "10,000 to 100,000", "Over 100,000", "No data"]
    assert theme.legend.title.font.bold
    layers = workspace.to_records("layers")
    assert [(r["window"], r["position"], r["name"], r["themes"]) for r in layers] == [
        (1, 1, "Counties", 1),
        (1, 2, "Roads", 0),
        (1, 3, "Roads_2", 0),
    ]
    assert workspace.to_records("themes")[0]["title"] == "Population"
    with pytest.raises(ValueError):
        workspace.to_records("rivers")


def test_table_files_checked_and_rewritten(tmp_path: pathlib.Path) -> None:
    (tmp_path / "data").mkdir()
    (tmp_path / "data" / "roads.tbl").write_text("t")
    text = 'Open Table "C:\\GIS\\roads.tbl" As Roads\nMap From Roads, Roads\n'
    missing = brevan.translate(text, check_files=True)
    assert missing.missing_files == ["C:\\GIS\\roads.tbl"] and "not found" in missing.warnings[0].message
    moved = brevan.translate(text, check_files=True, rewrite_paths={"C:\\GIS": str(tmp_path / "data")})
    assert moved.missing_files == [] and f'file="{tmp_path}/data/roads.tbl_2"' in moved.xml
    assert "is written as" in moved.remarks[0].message
    found = brevan.translate(text, check_files=True, data_roots=[tmp_path / "data"])
    assert found.warnings == []


def test_a_rerun_translates_only_what_changed(tmp_path: pathlib.Path) -> None:
    (tmp_path / "gis" / "a").mkdir(parents=True)
    one, two = tmp_path / "gis" / "a" / "one.bws", tmp_path / "gis" / "two.bws"
    one.write_text("Map From t\n", encoding="utf-8")
    two.write_text("Map From u\n", encoding="utf-8")

    def statuses(**options: bool) -> dict[str, brevan.Status]:
        outcomes = brevan.translate_many([tmp_path / "gis"], tmp_path / "out", recursive=True, **options)
        assert all(outcome.ok and outcome.output for outcome in outcomes)
        return {pathlib.Path(outcome.path).name: outcome.status for outcome in outcomes}

    done, current = brevan.Status.TRANSLATED, brevan.Status.UP_TO_DATE
    assert statuses() == {"one.bws": done, "two.bws": done}
    assert statuses() == {"one.bws": current, "two.bws": current}
    two.write_text("Map From v\n", encoding="utf-8")
    assert statuses() == {"one.bws": current, "two.bws": done}
    assert statuses(force=True) == {"one.bws": done, "two.bws": done}
    with pytest.raises(ValueError, match="exclude each other"):
        statuses(force=True, retry_failed=True)


def test_warnings_and_remarks_carry_their_code_and_ignore_silences_one() -> None:
    result = brevan.translate("Open Table \"a\" As t Quiet\nMap From t\nSet Map Display Off Zoom 5\n")
    assert [(d.severity, d.code) for d in result.diagnostics] == [
        (brevan.Severity.REMARK, "clause-not-written"),
        (brevan.Severity.WARNING, "statement-cut-short"),
    ]
    quiet = brevan.translate("Open Table \"a\" As t Quiet\n", ignore=["clause-not-written"])
    assert quiet.diagnostics == []


def test_inventory_gives_the_records_of_the_tools_json(tmp_path: pathlib.Path) -> None:
    (tmp_path / "gis" / "data").mkdir(parents=True)
    (tmp_path / "gis" / "data" / "roads.tbl").write_bytes(b"")
    (tmp_path / "gis" / "a.bws").write_bytes(
        b'Open Table "data/roads.tbl" As Roads\nOpen Table "gone.tbl" As Gone\nMap From Roads\nBrowse * From Roads\n'
    )
    (tmp_path / "gis" / "b.bws").write_bytes(b'Open Table "D\xe9part.tbl" As D Quiet\n')
    records = brevan.inventory([tmp_path / "gis"], recursive=True, encoding="auto")
    assert [pathlib.Path(r["path"]).name for r in records] == ["a.bws", "b.bws"]
    a, b = records
    assert [(t["alias"], t["status"]) for t in a["tables"]] == [("Roads", "found"), ("Gone", "missing")]
    assert a["passedOver"] == {"Browse": 1} and a["counts"]["layers"] == 1
    assert b["encoding"] == "CP1252" and b["tables"][0]["file"] == "D\u00e9part.tbl"
    assert b["losses"] == {"clause-not-written": 1, "encoding-fallback": 1}
    done = subprocess.run([os.environ.get("BREVAN", str(ROOT / "build" / "brevan")), "inventory", "--format", "json",
                           "-r", "--encoding", "auto", str(tmp_path / "gis")], capture_output=True, text=True)
    if done.returncode in (0, 1):
        assert json.loads(done.stdout)["workspaces"] == records


def test_outcomes_carry_what_was_passed_over_and_the_encoding(tmp_path: pathlib.Path) -> None:
    source = tmp_path / "w.bws"
    source.write_bytes(b"Map From t\nBrowse * From t\nOpen Table \"caf\xe9\"\n")
    [outcome] = brevan.translate_many([source], tmp_path / "out", encoding="auto")
    assert [s.keyword for s in outcome.skipped] == ["Browse"] and outcome.encoding == "CP1252"
    assert brevan.translate_file(source, encoding="auto").encoding == "CP1252"
    assert brevan.translate_file(EXAMPLES[0]).encoding == "UTF-8"
