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

class ThemeKind(enum.Enum):
    RANGE = ...
    VALUE = ...
    BAR_CHART = ...
    PIE_CHART = ...
    GRADUATED = ...
    SINGLE_SYMBOL = ...

class Table:
    alias: str
    file: str
    copy_of: str
    locked: bool
    hidden: bool
    interactive: bool
    codepage: str
    line: int

class Theme:
    kind: ThemeKind
    expressions: list[str]
    items: list[Any]
    legend: Any

class Layer:
    position: int
    name: str
    labels: list[str]
    color_list: bool
    themes: list[Theme]

class MapWindow:
    layers: list[Layer]
    view: Any

class Workspace:
    tables: list[Table]
    map_windows: list[MapWindow]
    def to_records(self, what: str = "tables") -> list[dict[str, Any]]: ...

class Diagnostic:
    severity: Severity
    number: int
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

class NativeOutcome:
    path: str
    output: str
    status: Status
    written: bool
    write_error: str
    result: NativeResult

def translate_bytes(data: bytes, options: Options) -> NativeResult: ...
def translate_file(path: str, options: Options) -> NativeResult: ...
def translate_many(paths: list[str], out_dir: str, jobs: int, options: Options) -> list[NativeOutcome]: ...
def read_workspace(result: NativeResult) -> Workspace: ...
def render_html(xml: str, name: str) -> str: ...
def version() -> str: ...
