"""Translate map workspaces into XML workspace documents.

    >>> import brevan
    >>> result = brevan.translate('Open Table "roads.tbl" As Roads\\n')
    >>> result.ok, result.xml.splitlines()[2].strip()
    (True, '<Table file="roads.tbl" alias="Roads" />')

A translation error raises TranslationError, with the place of its culprit
and the document as it stood; bytes that do not decode raise InputError (a
UnicodeError); a file that cannot be read raises the OSError of its reason
(FileNotFoundError, PermissionError, IsADirectoryError…) with its path; a
bad argument raises ValueError or TypeError. Translations release the GIL,
so threads translate at once; translate_many translates a batch of files on
native threads.
"""

from __future__ import annotations

import json
import os
import warnings
from dataclasses import dataclass, field
from enum import Enum
from functools import cached_property
from typing import Any, Iterable, Mapping, Optional, Union

from . import _brevan
from ._brevan import Diagnostic, Severity, Skipped, Statement, Status, ThemeKind, Workspace

__all__ = [
    "BrevanError",
    "Diagnostic",
    "InputError",
    "Outcome",
    "Result",
    "Severity",
    "Skipped",
    "Statement",
    "StatementKind",
    "Status",
    "ThemeKind",
    "Workspace",
    "TranslationError",
    "inventory",
    "render_html",
    "translate",
    "translate_file",
    "translate_many",
]

__version__: str = _brevan.version()


class StatementKind(str, Enum):
    """What a statement of workspace.statements is: statement.kind equals one
    of these (it is the same string)."""

    OPEN_TABLE = "open_table"
    MAP_WINDOW = "map_window"
    SET_MAP = "set_map"
    THEMATIC = "thematic"
    LEGEND_SETTINGS = "legend_settings"
    PASSED_OVER = "passed_over"


def __dir__() -> list[str]:
    return sorted(__all__ + ["__version__"])


PathLike = Union[str, "os.PathLike[str]"]


class BrevanError(Exception):
    """Base of the errors this package raises."""


class TranslationError(BrevanError):
    """A statement could not be translated.

    number, line, column, end_column, source_line and notes tell which
    message and where its culprit stands; xml is the document as it stood
    when translation stopped; errors lists every error found (one, unless
    check=True).
    """

    def __init__(self, native: "_brevan.NativeResult", path: Optional[str] = None) -> None:
        self.number: int = native.error
        self.message: str = native.message
        self.line: int = native.line
        self.column: int = native.column
        self.end_column: int = native.end_column
        self.source_line: str = native.source_line
        self.notes: list[str] = list(native.notes)
        self.xml: str = native.xml
        self.errors: list[Diagnostic] = list(native.errors)
        self.path = path
        where = f"{path}:" if path else ""
        super().__init__(f"{where}{self.line}:{self.column}: error {self.number}: {self.message}")


class InputError(BrevanError, UnicodeError):
    """The text could not be read: bytes that are not valid in their
    encoding, a binary file, an unknown encoding or a broken version line.
    line and column (in characters) are where the culprit stands (0 when not
    about a place); the message says what to do. A file that cannot be
    opened or read raises OSError instead."""

    def __init__(self, message: str, line: int = 0, path: Optional[str] = None, column: int = 0) -> None:
        self.message = message
        self.line = line
        self.column = column
        self.path = path
        where = f"{path}:" if path else ""
        if line:
            where += f"{line}:" + (f"{column}:" if column else "")
        super().__init__(f"{where} {message}".strip())


@dataclass(frozen=True)
class Result:
    """A translation: the document and what was passed over on the way."""

    xml: str
    ok: bool
    skipped: list[Skipped] = field(default_factory=list)
    warnings: list[Diagnostic] = field(default_factory=list)
    # Errors, warnings and remarks (what the workspace says that the
    # document has no place for), in the order of the text.
    diagnostics: list[Diagnostic] = field(default_factory=list)
    # With check_files: the table files not found, as written.
    missing_files: list[str] = field(default_factory=list)
    # What the text was read in: "UTF-8", "UTF-16LE", "CP1252"...
    encoding: str = "UTF-8"
    _native: Any = field(default=None, repr=False, compare=False)

    @property
    def remarks(self) -> list[Diagnostic]:
        """The remarks of diagnostics: read and not written to the document."""
        return [d for d in self.diagnostics if d.severity == Severity.REMARK]

    @cached_property
    def workspace(self) -> Workspace:
        """What the document holds, as typed objects: tables, map windows
        with their layers and themes (workspace.to_records("layers") for a
        table of data)."""
        return self._native.workspace


@dataclass(frozen=True)
class Outcome:
    """One file of translate_many: where its document went (None when it
    was not written), how it ended, and the error that stopped it, if any."""

    path: str
    output: Optional[str]
    ok: bool
    error: Optional[Exception]
    warnings: list[Diagnostic]
    status: Status = Status.TRANSLATED
    diagnostics: list[Diagnostic] = field(default_factory=list)
    # Statements passed over as not translated.
    skipped: list[Skipped] = field(default_factory=list)
    # What the text was read in ("UTF-8", "CP1252"...); for one up to date,
    # as its last translation read it.
    encoding: str = ""


def _input_error(native: "_brevan.NativeResult", path: Optional[str]) -> Exception:
    """The exception of a text that could not be read: the OSError subclass
    of the system's reason (FileNotFoundError, PermissionError,
    IsADirectoryError…) for a file that could not be opened or read, else
    InputError."""
    if native.system_error:
        return OSError(native.system_error, os.strerror(native.system_error), path)
    return InputError(native.message, native.line, path, native.column)


def _finish(native: "_brevan.NativeResult", partial: bool, check: bool, path: Optional[str]) -> Result:
    if not native.ok and native.error == 0:
        raise _input_error(native, path)
    if not native.ok and not partial and not check:
        raise TranslationError(native, path)
    return Result(
        xml=native.xml,
        ok=native.ok,
        skipped=list(native.skipped),
        warnings=list(native.warnings),
        diagnostics=list(native.diagnostics),
        missing_files=list(native.missing_files),
        encoding=native.encoding,
        _native=native,
    )


_LOWEST_VERSION, _HIGHEST_VERSION = 0, 32767


def _checked_version(version: object) -> Optional[int]:
    if version is None:
        return None
    if isinstance(version, bool) or not isinstance(version, int):
        raise TypeError(f"version must be an int, not {type(version).__name__}")
    if not _LOWEST_VERSION <= version <= _HIGHEST_VERSION:
        raise ValueError(f"version must be from {_LOWEST_VERSION} to {_HIGHEST_VERSION}, not {version}")
    return version


def _options(
    version: Optional[int],
    encoding: Optional[str],
    partial: bool = False,
    check: bool = False,
    check_files: bool = False,
    data_roots: Iterable[PathLike] = (),
    rewrite_paths: Optional[Mapping[str, str]] = None,
    ignore: Iterable[str] = (),
) -> "_brevan.Options":
    options = _brevan.Options()
    options.version = _checked_version(version)
    options.encoding = "" if encoding is None else encoding
    options.partial = partial
    options.check = check
    options.check_files = check_files
    options.data_roots = [os.fspath(root) for root in data_roots]
    options.rewrite_paths = list((rewrite_paths or {}).items())
    options.ignore = list(ignore)
    unknown = set(options.ignore) - set(_brevan.diagnostic_codes())
    if unknown:
        raise ValueError(f"ignore takes codes of warnings and remarks, not {sorted(unknown)}")
    return options


def translate(
    text: Union[str, bytes],
    *,
    version: Optional[int] = None,
    encoding: Optional[str] = None,
    partial: bool = False,
    check: bool = False,
    check_files: bool = False,
    data_roots: Iterable[PathLike] = (),
    rewrite_paths: Optional[Mapping[str, str]] = None,
    ignore: Iterable[str] = (),
) -> Result:
    """Translate the statements of a workspace.

    text is the workspace as str, or as bytes in encoding (default UTF-8;
    any name iconv knows). version selects the form of the statements
    (below 200 and below 300 older ones); by default the text's
    "!version N" first line, else the newest. With partial=True a
    translation error does not raise: the Result has ok False and the
    document as it stood. With check=True every error of the text is
    reported in Result.diagnostics, and no document is made.

    check_files=True looks each open table's file up (relative to the
    working folder for text, the file's folder for translate_file; else
    under data_roots by its trailing path components): a file not found is
    a warning at its file string, listed in Result.missing_files.
    rewrite_paths {OLD: NEW} writes table files that start with OLD (the
    longest that matches) starting with NEW, each rewrite a remark.
    """
    if isinstance(text, str):
        if encoding not in (None, "utf-8", "UTF-8", "utf8"):
            raise ValueError("encoding applies to bytes; a str is already decoded")
        data = text.encode("utf-8", "surrogatepass")
    else:
        data = bytes(text)
    options = _options(version, encoding, partial, check, check_files, data_roots, rewrite_paths, ignore)
    native = _brevan.translate_bytes(data, options)
    return _finish(native, partial, check, None)


def translate_file(
    path: PathLike,
    *,
    version: Optional[int] = None,
    encoding: Optional[str] = None,
    partial: bool = False,
    check: bool = False,
    check_files: bool = False,
    data_roots: Iterable[PathLike] = (),
    rewrite_paths: Optional[Mapping[str, str]] = None,
    ignore: Iterable[str] = (),
) -> Result:
    """Translate a workspace file; the options are those of translate.

    Raises the OSError of the reason when the file cannot be read
    (FileNotFoundError, PermissionError, IsADirectoryError…), InputError
    when its text cannot be, TranslationError when a statement cannot be
    translated."""
    name = os.fspath(path)
    options = _options(version, encoding, partial, check, check_files, data_roots, rewrite_paths, ignore)
    native = _brevan.translate_file(name, options)
    return _finish(native, partial, check, name)


def translate_many(
    paths: Iterable[PathLike],
    out_dir: PathLike,
    jobs: Optional[int] = None,
    *,
    version: Optional[int] = None,
    encoding: Optional[str] = None,
    partial: bool = False,
    check_files: bool = False,
    data_roots: Iterable[PathLike] = (),
    rewrite_paths: Optional[Mapping[str, str]] = None,
    ignore: Iterable[str] = (),
    recursive: bool = False,
    force: bool = False,
    retry_failed: bool = False,
) -> list[Outcome]:
    """Translate many files into out_dir on native threads, each document at
    its place below the folder it was found in (recursive: folders among
    paths are walked, as the tool's -r walks them; a folder that cannot be
    read, or a link that leads nowhere, is a warning), files named directly
    below their common folder (files of one folder straight into out_dir).

    jobs is the number of threads (default: the cores). Each document is
    written whole or not at all. out_dir keeps a manifest of what each
    document was made from, as the tool's does: a workspace whose source,
    options, tool version, document and page are as its last translation
    there left them is not translated again (its Outcome.status is
    Status.UP_TO_DATE, its ok whether that translation succeeded). force
    translates everything again; retry_failed only the workspaces whose
    last translation failed (the others out of date are Status.NOT_DONE). Returns one Outcome per file, in the
    order of paths; a file that fails does not stop the others (and the
    document an earlier batch wrote for it is removed): its
    Outcome.error is the exception translate_file would raise (an OSError
    for a file that cannot be read), or a BrevanError when its document
    cannot be written (an out_dir that is not writable). A batch that must
    not start (two inputs of one name, an output that is one of the inputs,
    an out_dir another batch is writing into, jobs below 1, a bad version)
    raises ValueError or TypeError and writes nothing; an out_dir that
    cannot be made raises OSError. Ctrl-C cancels the batch within a fifth
    of a second (the files under way end unwritten) and raises
    KeyboardInterrupt with the outcomes of the files that ended as its
    outcomes attribute.
    """
    # str, bytes or os.PathLike; as bytes, a file name need not be UTF-8.
    names = [os.fsencode(path) for path in paths]
    threads = jobs if jobs is not None else (os.cpu_count() or 1)
    if threads < 1:
        raise ValueError("jobs must be at least 1")
    if force and retry_failed:
        raise ValueError("force and retry_failed exclude each other")
    redo = "all" if force else "failed" if retry_failed else "changed"
    outcomes = []
    options = _options(version, encoding, partial, False, check_files, data_roots, rewrite_paths, ignore)
    natives, raised, problems = _brevan.translate_many(
        names, os.fsencode(out_dir), threads, options, recursive, redo
    )
    for problem in problems:
        warnings.warn(problem, stacklevel=2)
    for native in natives:
        result = native.result
        path = os.fsdecode(native.path)
        output = os.fsdecode(native.output)
        error: Optional[Exception] = None
        if native.status in (Status.UP_TO_DATE, Status.NOT_DONE):
            # Not translated now: its last translation stands (or was left).
            standing = native.status == Status.UP_TO_DATE and not native.failed_earlier
            outcomes.append(
                Outcome(path=path, output=output if standing else None, ok=standing, error=None,
                        warnings=[], status=native.status, encoding=native.encoding)
            )
            continue
        if not result.ok:
            error = _input_error(result, path) if result.error == 0 else TranslationError(result, path)
        elif native.write_error:
            error = BrevanError(f"{output}: cannot write: {native.write_error}")
        outcomes.append(
            Outcome(
                path=path,
                output=output if native.written else None,
                ok=native.status in (Status.TRANSLATED, Status.TRANSLATED_WITH_WARNINGS),
                error=error,
                warnings=list(result.warnings),
                status=native.status,
                diagnostics=list(result.diagnostics),
                skipped=list(result.skipped),
                encoding=result.encoding,
            )
        )
    if raised is not None:
        # Ctrl-C cancelled the batch: the files that ended go with the exception.
        raised.outcomes = outcomes
        raise raised
    return outcomes


def inventory(
    paths: Iterable[PathLike],
    *,
    recursive: bool = False,
    jobs: Optional[int] = None,
    version: Optional[int] = None,
    encoding: Optional[str] = None,
    data_roots: Iterable[PathLike] = (),
    rewrite_paths: Optional[Mapping[str, str]] = None,
) -> list[dict[str, Any]]:
    """What each workspace depends on and holds, as brevan inventory --format
    json gives it: one record (a dict) per workspace, with its status, error,
    encoding, counts, losses by code, statements passed over by name, and
    the tables it opens with whether their files are here (under
    data_roots, after rewrite_paths). A path that cannot be read is a
    warning; folders are walked with recursive."""
    names = [os.fsencode(path) for path in paths]
    threads = jobs if jobs is not None else (os.cpu_count() or 1)
    if threads < 1:
        raise ValueError("jobs must be at least 1")
    options = _options(version, encoding, False, False, True, data_roots, rewrite_paths)
    document, problems = _brevan.inventory(names, recursive, threads, options)
    for problem in problems:
        warnings.warn(problem, stacklevel=2)
    return json.loads(document)["workspaces"]


def render_html(source: Union[Result, str], name: str = "workspace") -> str:
    """A self-contained HTML page to check by eye: per map window its
    layers, labels, settings and themes, each theme with a legend preview.
    source is a translation's Result (the page then shows its diagnostics
    and status, as the tool's page does) or the text of a document saved
    on disk. name is how the page names the workspace."""
    if isinstance(source, Result):
        return _brevan.render_result_html(source._native, name)
    return _brevan.render_html(source, name)
