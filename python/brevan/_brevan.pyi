# The native module; use the functions of the brevan package instead.
import enum
from typing import Optional

class Severity(enum.Enum):
    ERROR = ...
    WARNING = ...
    REMARK = ...

class Status(enum.Enum):
    TRANSLATED = ...
    TRANSLATED_WITH_WARNINGS = ...
    FAILED = ...
    NOT_DONE = ...

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

class NativeOutcome:
    path: str
    output: str
    status: Status
    written: bool
    write_error: str
    result: NativeResult

def translate_bytes(
    data: bytes, version: Optional[int], encoding: str, partial: bool, check: bool
) -> NativeResult: ...
def translate_file(path: str, version: Optional[int], encoding: str, partial: bool, check: bool) -> NativeResult: ...
def translate_many(
    paths: list[str], out_dir: str, jobs: int, version: Optional[int], encoding: str, partial: bool
) -> list[NativeOutcome]: ...
def render_html(xml: str, name: str) -> str: ...
def version() -> str: ...
