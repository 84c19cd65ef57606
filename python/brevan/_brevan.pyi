# The native module; use the functions of the brevan package instead.
import enum
from typing import Any, Optional

class Severity(enum.Enum):
    ERROR = ...
    WARNING = ...
    REMARK = ...

class Status(enum.Enum):
    TRANSLATED = ...
    TRANSLATED_WITH_WARNINGS = ...
    FAILED = ...
    NOT_DONE = ...

class Options:
    version: Optional[int]
    encoding: str
    partial: bool
    check: bool
    check_files: bool
    folder: str
    data_roots: list[str]
    rewrite_paths: list[tuple[str, str]]
    ignore: list[str]

class ThemeKind(enum.Enum):
    RANGE = ...
    BAR_CHART = ...
    PIE_CHART = ...
    GRADUATED = ...
    SINGLE_SYMBOL = ...
    VALUE = ...

class Span:
    line: int
    column: int
    end_line: int
    end_column: int

class Origin:
    statement: Span
    clause: Span

class Table:
    alias: str
    file: str
    copy_of: str
    locked: bool
    hidden: bool
    interactive: bool
    codepage: str
    line: int
    origin: Origin

class Theme:
    kind: ThemeKind
    expressions: list[str]
    apply_to: Optional[str]
    spreading: Optional[str]
    method: Optional[str]
    items: list[Any]
    legend: Any
    origin: Origin

class Layer:
    position: int
    name: str
    labels: list[str]
    color_list: bool
    themes: list[Theme]
    origin: Origin

class MapWindow:
    layers: list[Layer]
    view: Any
    origin: Origin

class Statement:
    kind: str
    line: int
    column: int
    end_line: int
    span: Span
    name: str
    failed: bool

class Workspace:
    tables: list[Table]
    map_windows: list[MapWindow]
    statements: list[Statement]
    def to_records(self, what: str = "tables") -> list[dict[str, Any]]: ...

class Diagnostic:
    severity: Severity
    number: int
    code: str
    line: int
    column: int
    end_column: int
    message: str
    notes: list[str]
    source_line: str

class Skipped:
    line: int
    column: int
    keyword: str

class NativeResult:
    ok: bool
    error: int
    system_error: int
    message: str
    line: int
    column: int
    end_column: int
    notes: list[str]
    source_line: str
    xml: str
    skipped: list[Skipped]
    warnings: list[Diagnostic]
    errors: list[Diagnostic]
    diagnostics: list[Diagnostic]
    missing_files: list[str]
    encoding: str
    workspace: Workspace

class NativeOutcome:
    path: bytes
    output: bytes
    index: int
    status: Status
    written: bool
    write_error: str
    why: str
    failed_earlier: bool
    encoding: str
    result: NativeResult

def translate_bytes(data: bytes, options: Options) -> NativeResult: ...
def translate_file(path: str, options: Options) -> NativeResult: ...
def translate_many(
    paths: list[bytes], out_dir: bytes, jobs: int, options: Options, recursive: bool, redo: str
) -> tuple[list[NativeOutcome], Optional[BaseException], list[str]]: ...
def render_html(xml: str, name: str) -> str: ...
def render_result_html(result: NativeResult, name: str) -> str: ...
def version() -> str: ...
def diagnostic_codes() -> list[str]: ...
def inventory(
    paths: list[bytes], recursive: bool, jobs: int, options: Options
) -> tuple[str, list[str]]: ...
